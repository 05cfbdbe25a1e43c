#include "app/CBoardApp.h"
#include "app/CMainDlg.h"
#include "app/WindowPlacement.h"
#include "RecordingSocket.h"
#include "core/Cp932Codec.h"
#include "net/ReceiveWindowQueue.h"
#include "settings/CSettingDlg.h"
#include "settings/MemorySettingsBackend.h"
#include "support/TempDir.h"
#include "ui/MenuCommand.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"
#include "view/CBoardDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::string kOtherHost = "PC05";

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBoxService::SetResponder([this](const MessageBoxService::Request& request) {
            messages.push_back(request.text);
            return MessageBoxService::AnswerOk;
        });
        ModalRunner::SetHook([this](QDialog& dialog) {
            dialogs.push_back(dialog.metaObject()->className());
            return settingsAnswer ? settingsAnswer(dialog) : int(QDialog::Rejected);
        });
    }
    void TearDown() override
    {
        app.reset();
        MessageBoxService::SetResponder({});
        ModalRunner::SetHook({});
    }

    void StoreSettings(int32_t port = 1500, int32_t popup = 0)
    {
        GroupSettings settings;
        std::strcpy(settings.userName, Cp932Codec::FromUtf8("ずり").c_str());
        std::strcpy(settings.groupName, Cp932Codec::FromUtf8("グループ１").c_str());
        std::string folder = board.path() + "/";
        std::strcpy(settings.messageFolder, folder.c_str());
        settings.portNumber = port;
        settings.popupOnReceipt = popup;
        store.WriteGroupSettings(settings);
    }

    bool Start(std::optional<int32_t> port = std::nullopt)
    {
        app = std::make_unique<CBoardApp>(store);
        auto recording = std::make_unique<RecordingSocket>();
        socket = recording.get();
        app->SetSocket(std::move(recording));
        return app->InitInstance(port);
    }

    CMainDlg& Window() { return *app->MainWindow(); }

    void Receive(const std::string& wire) { app->OnDatagramReceived(wire.c_str(), wire.size()); }
    std::string FromOther(int kind, const std::string& text, const std::string& address = "192.168.0.5")
    {
        return std::to_string(kind) + ":" + address + ":" + kOtherHost + ":Zuri:" + text;
    }
    std::string OwnHost() const { return app->own.host; }

    MemorySettingsBackend backend;
    SettingsStore store{backend};
    TempDir board;
    std::unique_ptr<CBoardApp> app;
    RecordingSocket* socket = nullptr;
    std::vector<QString> messages;
    std::vector<std::string> dialogs;
    std::function<int(QDialog&)> settingsAnswer;
};

TEST_F(MainWindowTest, StartUpOpensTheSocketAnnouncesItselfAndGivesTheBoardItsFile)
{
    StoreSettings(1550);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(dialogs.empty()) << "no settings window with a folder stored";
    ASSERT_EQ(socket->openedPorts, std::vector<int32_t>{1550});
    ASSERT_EQ(socket->sent.size(), 1u);
    EXPECT_EQ(socket->sent[0].target, "");
    EXPECT_EQ(socket->sent[0].text, "1:" + std::string(app->own.address) + ":" + OwnHost() + ":" +
                                        Cp932Codec::FromUtf8("ずり") + ":" + Cp932Codec::FromUtf8("ずり"));
    ASSERT_EQ(app->Peers().Size(), 1u);
    EXPECT_STREQ(app->Peers().At(0).host, OwnHost().c_str());
    EXPECT_EQ(app->board().FilePath(), board.path() + "/BoardData.xml");
    EXPECT_EQ(Window().TrayTip(), QStringLiteral("Trellin(1550)"));
    EXPECT_TRUE(Window().windowTitle().startsWith(QStringLiteral("QuorlBoard\u3000Version ")));
    ASSERT_NE(Window().BoardView(), nullptr);
    // Offscreen there is no notification area: the window must be reachable.
    EXPECT_FALSE(Window().HasTray());
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(MainWindowTest, TheCommandLinePortServesThisRunOnly)
{
    StoreSettings(1500);
    ASSERT_TRUE(Start(1600));
    EXPECT_EQ(socket->openedPorts, std::vector<int32_t>{1600});
    EXPECT_EQ(Window().TrayTip(), QStringLiteral("Trellin(1600)"));
    GroupSettings stored;
    store.ReadGroupSettings(stored);
    EXPECT_EQ(stored.portNumber, 1500);
}

TEST_F(MainWindowTest, ABusyPortStopsStartUpWithThePortInTheMessage)
{
    StoreSettings(1700);
    socket = nullptr;
    app = std::make_unique<CBoardApp>(store);
    auto recording = std::make_unique<RecordingSocket>();
    recording->refuseOpen = true;
    app->SetSocket(std::move(recording));
    EXPECT_FALSE(app->InitInstance(std::nullopt));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("ソケットの作成に失敗(ポート番号:1700)\n")));
    EXPECT_EQ(app->MainWindow()->BoardView(), nullptr);
}

TEST_F(MainWindowTest, AFirstRunFillsInDefaultsAndOpensTheSettingsWindowFirst)
{
    QString presetUser;
    int presetPort = 0;
    QString presetGroup;
    settingsAnswer = [&](QDialog& dialog) {
        auto* settings = qobject_cast<CSettingDlg*>(&dialog);
        if (settings == nullptr)
            return int(QDialog::Rejected);
        presetUser = settings->userName;
        presetPort = settings->portNumber;
        presetGroup = settings->groupName;
        settings->messageFolder = QString::fromStdString(board.path() + "/");
        settings->userName = QStringLiteral("花子");
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(Start());
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(presetPort, 1500);
    EXPECT_EQ(presetGroup, QStringLiteral("グループ１"));
    EXPECT_FALSE(presetUser.isEmpty()) << "the login name";
    GroupSettings stored;
    ASSERT_EQ(store.ReadGroupSettings(stored), SettingsStore::kRead);
    EXPECT_EQ(Cp932Codec::ToUtf8(stored.userName), "花子");
    EXPECT_STREQ(app->own.user, Cp932Codec::FromUtf8("花子").c_str());
    EXPECT_EQ(app->board().FilePath(), board.path() + "/BoardData.xml");
}

TEST_F(MainWindowTest, AFirstRunCancelledTwiceLeavesTheBoardWithoutAFile)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(app->board().FilePath().empty());
}

TEST_F(MainWindowTest, HelloAddsTheMemberAndIsAnsweredToItsAddressOnly)
{
    StoreSettings();
    ASSERT_TRUE(Start());
    socket->sent.clear();
    Receive(FromOther(1, "Zuri"));
    ASSERT_EQ(app->Peers().Size(), 2u);
    EXPECT_STREQ(app->Peers().At(1).address, "192.168.0.5");
    EXPECT_STREQ(app->Peers().At(1).host, "PC05");
    EXPECT_STREQ(app->Peers().At(1).user, "Zuri");
    ASSERT_EQ(socket->sent.size(), 1u);
    EXPECT_EQ(socket->sent[0].target, "192.168.0.5");
    EXPECT_EQ(socket->sent[0].text, "2:" + std::string(app->own.address) + ":" + OwnHost() + ":" +
                                        std::string(app->own.user) + ":" + OwnHost());

    // The same address again with another name changes nothing.
    Receive("1:192.168.0.5:PC06:Other:Other");
    EXPECT_EQ(app->Peers().Size(), 2u);
    EXPECT_STREQ(app->Peers().At(1).user, "Zuri");
}

TEST_F(MainWindowTest, MemberTableFollowsRepliesUpdatesAndGoodbyes)
{
    StoreSettings();
    ASSERT_TRUE(Start());
    Receive(FromOther(2, "PC05", "10.0.0.5"));
    Receive("2:10.0.0.6:PC06:Taro:PC06");
    Receive("4:10.0.0.5:PC05b:Zuri2:x");   // replaces and moves to the end
    Receive("4:10.0.0.99:PC99:Nobody:x");  // unknown address: nothing
    ASSERT_EQ(app->Peers().Size(), 3u);
    EXPECT_STREQ(app->Peers().At(2).host, "PC05b");
    Receive("6:10.0.0.6:PC06:Taro:PC06");
    ASSERT_EQ(app->Peers().Size(), 2u);
    EXPECT_STREQ(app->Peers().At(1).host, "PC05b");
    Receive("9:10.0.0.7:PC07:X:y");
    Receive("A:10.0.0.7:PC07:X:y");
    EXPECT_EQ(app->Peers().Size(), 2u);
}

TEST_F(MainWindowTest, OwnBroadcastsAreIgnoredButOwnDirectMessagesDelivered)
{
    StoreSettings();
    ASSERT_TRUE(Start());
    Receive("3:" + std::string(app->own.address) + ":" + OwnHost() + ":me:12");
    EXPECT_FALSE(Window().IsAlerting());
    EXPECT_EQ(Window().BoardView()->RefreshCount(), 0);
    Receive("1:10.9.9.9:" + OwnHost() + ":me:me");
    EXPECT_EQ(app->Peers().Size(), 1u);

    Receive("5:" + std::string(app->own.address) + ":" + OwnHost() + ":me:10:30 meeting");
    EXPECT_EQ(Window().ReceiveWindows().OpenCount(), 1);
}

TEST_F(MainWindowTest, BoardChangesReloadTheListThenBlinkUntilTheWindowIsShown)
{
    StoreSettings();
    ASSERT_TRUE(Start());
    Window().HideMainWindow();
    Receive(FromOther(3, "42"));
    EXPECT_EQ(Window().BoardView()->RefreshCount(), 1);
    EXPECT_EQ(Window().BoardView()->LastSelected(), 42);
    ASSERT_TRUE(Window().IsAlerting());

    // The icon alternates once a second.
    QTRY_VERIFY_WITH_TIMEOUT(Window().CurrentTrayImage() == CMainDlg::TrayImage::Alert, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(Window().CurrentTrayImage() == CMainDlg::TrayImage::Normal, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(Window().CurrentTrayImage() == CMainDlg::TrayImage::Alert, 5000);

    Window().ShowMainWindow();
    EXPECT_FALSE(Window().IsAlerting());
    EXPECT_EQ(Window().CurrentTrayImage(), CMainDlg::TrayImage::Normal);
    EXPECT_FALSE(Window().BlinkPhase());

    Receive(FromOther(7, "Zuri"));
    EXPECT_EQ(Window().BoardView()->RefreshCount(), 2);
    EXPECT_FALSE(Window().BoardView()->LastSelected().has_value());
    EXPECT_TRUE(Window().IsAlerting());
    Window().StopAlert();
    EXPECT_FALSE(Window().IsAlerting());
}

TEST_F(MainWindowTest, WithPopUpOnABoardChangeBringsTheWindowUpWithoutBlinking)
{
    StoreSettings(1500, 1);
    ASSERT_TRUE(Start());
    Window().HideMainWindow();
    EXPECT_FALSE(Window().IsShown());
    Receive(FromOther(3, "7"));
    EXPECT_TRUE(Window().IsShown());
    EXPECT_FALSE(Window().IsAlerting());
}

TEST_F(MainWindowTest, ClosingKeepsTheProgramRunningAndExitSavesPlacementAndSaysGoodbye)
{
    StoreSettings();
    ASSERT_TRUE(Start());
    QCloseEvent close;
    QApplication::sendEvent(&Window(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_FALSE(Window().IsShown());
    EXPECT_FALSE(Window().HasExited());

    Window().ShowMainWindow();
    Window().move(40, 30);
    Window().resize(700, 400);
    socket->sent.clear();
    Window().ExitProgram();
    EXPECT_TRUE(Window().HasExited());
    ASSERT_EQ(socket->sent.size(), 1u);
    EXPECT_EQ(socket->sent[0].text.substr(0, 2), "6:");
    EXPECT_EQ(socket->sent[0].target, "");
    EXPECT_EQ(app->Peers().Size(), 0u);

    ClientSizeRecord placement;
    ASSERT_EQ(store.ReadClientSize(placement), SettingsStore::kRead);
    EXPECT_EQ(placement.style, WindowPlacement::kShowNormal);
    EXPECT_EQ(placement.right - placement.left, Window().frameGeometry().width());
    ColumnWidths widths;
    ASSERT_EQ(store.ReadColumnWidths(widths), SettingsStore::kRead);
    EXPECT_EQ(widths.number, 80);
}

TEST_F(MainWindowTest, AStoredRectangleAboveTheWorkAreaIsReplacedByACentredDefault)
{
    StoreSettings();
    store.WriteClientSize(ClientSizeRecord{100, -900, 800, -400, WindowPlacement::kShowNormal});
    ASSERT_TRUE(Start());
    const QRect area = CMainDlg::WorkArea();
    EXPECT_EQ(Window().frameGeometry().width(), 630);
    EXPECT_EQ(Window().frameGeometry().height(), 380);
    EXPECT_EQ(Window().frameGeometry().x(), area.width() / 2 - 315);
    EXPECT_EQ(Window().frameGeometry().y(), area.height() / 2 - 190);
}

TEST_F(MainWindowTest, AUsableStoredRectangleIsRestoredAndAMaximisedOneComesUpMaximised)
{
    StoreSettings();
    store.WriteClientSize(ClientSizeRecord{20, 30, 520, 430, WindowPlacement::kShowNormal});
    ASSERT_TRUE(Start());
    EXPECT_EQ(Window().frameGeometry(), QRect(20, 30, 500, 400));
    app.reset();

    store.WriteClientSize(ClientSizeRecord{0, 0, 1024, 768, WindowPlacement::kShowMaximized});
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Window().isMaximized());
}

TEST_F(MainWindowTest, RestoringTheSizeOfAHiddenWindowLeavesItHidden)
{
    StoreSettings();
    ASSERT_TRUE(Start());
    Window().showMaximized();
    Window().HideMainWindow();
    Window().OnCommand(kCommandRestoreSize);
    EXPECT_FALSE(Window().isVisible() && !Window().isMinimized());
    EXPECT_FALSE(Window().IsShown());
    Window().ShowMainWindow();
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(MainWindowTest, SettingsChangeReopensTheSocketOnTheNewPort)
{
    StoreSettings(1500);
    ASSERT_TRUE(Start());
    settingsAnswer = [&](QDialog& dialog) {
        auto* settings = qobject_cast<CSettingDlg*>(&dialog);
        if (settings == nullptr)
            return int(QDialog::Rejected);
        settings->portNumber = 1800;
        return int(QDialog::Accepted);
    };
    socket->sent.clear();
    Window().RunSettingsCommand();
    EXPECT_EQ(socket->openedPorts, (std::vector<int32_t>{1500, 1800}));
    ASSERT_EQ(socket->sent.size(), 2u);
    EXPECT_EQ(socket->sent[0].text.substr(0, 2), "6:");
    EXPECT_EQ(socket->sent[1].text.substr(0, 2), "1:");
    EXPECT_EQ(Window().TrayTip(), QStringLiteral("Trellin(1800)"));
    EXPECT_EQ(Window().BoardView()->RefreshCount(), 1);
    GroupSettings stored;
    store.ReadGroupSettings(stored);
    EXPECT_EQ(stored.portNumber, 1800);
}

} // namespace
