#include "board/BoardTexts.h"
#include "ui/MessageBoxReporter.h"
#include "ui/MessageBoxService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using MB = MessageBoxService;

// The real box: its caption, and what Enter or Space answer with the focus on
// a button or nowhere in particular.
TEST(MessageBoxService, TheRealBoxCarriesItsCaptionAndEnterPressesTheFocusedButtonElseTheDefault)
{
    MB::SetResponder({});
    const struct { const char* caption; MB::Answer defaultAnswer; const char* focus; Qt::Key key; MB::Answer answer; } cases[] = {
        {"", MB::AnswerYes, nullptr, Qt::Key_Return, MB::AnswerYes},
        {"メッセージ", MB::AnswerNo, nullptr, Qt::Key_Return, MB::AnswerNo},
        {"", MB::AnswerNo, "はい(&Y)", Qt::Key_Enter, MB::AnswerYes},
        {"", MB::AnswerYes, "いいえ(&N)", Qt::Key_Return, MB::AnswerNo},
        {"", MB::AnswerYes, "いいえ(&N)", Qt::Key_Space, MB::AnswerNo},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.focus != nullptr ? c.focus : "the default") + " key " + std::to_string(c.key));
        QString caption;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            for (QAbstractButton* button : box->buttons()) {
                if (c.focus != nullptr && button->text() == QString::fromUtf8(c.focus))
                    button->setFocus();
            }
            QTest::keyClick(box->focusWidget() != nullptr ? box->focusWidget() : box, c.key);
            if (box->isVisible()) {
                ADD_FAILURE() << "the key closed nothing";
                box->reject();
            }
        });
        EXPECT_EQ(MB::Show(nullptr, QStringLiteral("?"), MB::Buttons::YesNo, MB::Icon::Question,
                           QString::fromUtf8(c.caption), c.defaultAnswer),
                  c.answer);
        EXPECT_EQ(caption, *c.caption != '\0' ? QString::fromUtf8(c.caption) : QStringLiteral("QuorlBoard"));
    }
}

TEST(MessageBoxReporter, ShowsStoreFailuresAsExclamationWithOk)
{
    std::vector<MB::Request> requests;
    MB::SetResponder([&](const MB::Request& request) {
        requests.push_back(request);
        return MB::AnswerOk;
    });
    MessageBoxReporter().ShowMessage(BoardTexts::kCannotWrite);
    MB::SetResponder({});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, QString::fromUtf8(BoardTexts::kCannotWrite));
    EXPECT_EQ(requests[0].buttons, MB::Buttons::Ok);
    EXPECT_EQ(requests[0].icon, MB::Icon::Exclamation);
}

} // namespace
