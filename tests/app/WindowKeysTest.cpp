#include "app/CAboutDlg.h"
#include "board/CBoardData.h"
#include "board/EmptyBoardWriter.h"
#include "net/ui/CMessageSend.h"
#include "net/ui/CReceiveDlg.h"
#include "net/FakePeerMessenger.h"
#include "settings/ui/CQuorlFontDlg.h"
#include "settings/ui/CSettingDlg.h"
#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsStore.h"
#include "support/RecordedBoxes.h"
#include "support/TempDir.h"
#include "ui/BoardFont.h"
#include "ui/ChooserService.h"
#include "ui/FileDialogService.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"
#include "view/CBoardWrite.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Every button that would leave the window answers without waiting for a member.
class WindowKeys : public ::testing::Test
{
protected:
    WindowKeys()
    {
        EmptyBoardWriter::Create(folder.file(CBoardData::kFileName), "UTF-8");
        board.SetFilePath(folder.file(CBoardData::kFileName));
        ModalRunner::SetHook([](QDialog&) { return int(QDialog::Rejected); });
        FileDialogService::SetResponder([](const FileDialogService::Request&) { return QString(); });
        ChooserService::SetResponder([](const ChooserService::Choice&) { return std::nullopt; });
    }
    ~WindowKeys() override
    {
        ModalRunner::SetHook({});
        FileDialogService::SetResponder({});
        ChooserService::SetResponder({});
    }

    RecordedBoxes boxes;
    TempDir folder;
    CBoardData board;
    MemorySettingsBackend backend;
    SettingsStore store{backend};
    FakePeerMessenger messenger;
};

// The buttons that the key pressed, by their text.
std::string Pressed(QDialog& window, QWidget& target, int key)
{
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> spies;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        spies.emplace_back(button->text(), std::make_unique<QSignalSpy>(button, &QPushButton::clicked));
    target.setFocus();
    QTest::keyClick(&target, Qt::Key(key));
    QStringList pressed;
    for (const auto& [text, spy] : spies)
        for (int i = 0; i < spy->count(); ++i)
            pressed << text;
    return pressed.join(u',').toStdString();
}

TEST_F(WindowKeys, AFocusedButtonAnswersEnterAndSpaceItselfAndOnlyElsewhereEnterPressesTheDefault)
{
    const std::function<std::unique_ptr<QDialog>()> windows[] = {
        [&] {
            auto window = std::make_unique<CSettingDlg>(store);
            window->messageFolder = QString::fromStdString(folder.path() + "/");
            window->portNumber = 1500;
            return std::unique_ptr<QDialog>(std::move(window));
        },
        [&] { return std::make_unique<CQuorlFontDlg>(BoardFont::Default(), kDefaultPriorityColors); },
        [&] { return std::make_unique<CBoardWrite>(BoardWriteContext{&board, folder.path() + "/", "PC01", "u"}); },
        [&] { return std::make_unique<CMessageSend>(messenger); },
        [&] { return std::make_unique<CReceiveDlg>(messenger, Datagram{}); },
        [&] { return std::make_unique<CAboutDlg>(); },
    };
    // A field does not take Enter: the default button does.
    constexpr int kField = -1;
    for (const auto& open : windows) {
        const std::unique_ptr<QDialog> probe = open();
        probe->show();
        std::vector<std::pair<QString, int>> presses; // the button's text and key; kField: Enter in the first field
        QString defaultButton;
        for (QPushButton* button : probe->findChildren<QPushButton*>()) {
            for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
                if (button->isVisible())
                    presses.emplace_back(button->text(), key);
            defaultButton = button->isDefault() ? button->text() : defaultButton;
        }
        ASSERT_FALSE(presses.empty()) << probe->windowTitle().toStdString();
        if (auto* field = probe->findChild<QLineEdit*>(); field != nullptr && field->isVisible())
            presses.emplace_back(QString(), kField);
        for (const auto& [text, key] : presses) {
            SCOPED_TRACE(probe->windowTitle().toStdString() + ": " + text.toStdString() + " key " + std::to_string(key));
            const std::unique_ptr<QDialog> window = open();
            QWidget* target = window->findChild<QLineEdit*>();
            for (QPushButton* candidate : window->findChildren<QPushButton*>())
                target = key != kField && candidate->text() == text ? candidate : target;
            EXPECT_EQ(Pressed(*window, *target, key == kField ? Qt::Key_Return : key),
                      (key == kField ? defaultButton : text).toStdString());
        }
    }
}

} // namespace
