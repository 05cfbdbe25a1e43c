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

// Presses the button with the given text on the modal box once it is up.
void PressWhenShown(const QString& buttonText, QString* seenCaption, QString* seenText)
{
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        *seenCaption = box->windowTitle();
        *seenText = box->text();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == buttonText)
                button->click();
        }
    });
}

TEST(MessageBoxService, RealBoxCarriesTheApplicationNameAndAnswers)
{
    MessageBoxService::SetResponder({});
    QString caption;
    QString text;
    PressWhenShown(QStringLiteral("いいえ(&N)"), &caption, &text);
    EXPECT_EQ(MessageBoxService::Show(nullptr, QStringLiteral("削除しますか"), MessageBoxService::Buttons::YesNo,
                                      MessageBoxService::Icon::Question),
              MessageBoxService::AnswerNo);
    EXPECT_EQ(caption, QStringLiteral("QuorlBoard"));
    EXPECT_EQ(text, QStringLiteral("削除しますか"));

    PressWhenShown(QStringLiteral("OK"), &caption, &text);
    EXPECT_EQ(MessageBoxService::Show(nullptr, QStringLiteral("x"), MessageBoxService::Buttons::Ok,
                                      MessageBoxService::Icon::Stop, QStringLiteral("メッセージ")),
              MessageBoxService::AnswerOk);
    EXPECT_EQ(caption, QStringLiteral("メッセージ"));
}

TEST(MessageBoxService, EnterPressesTheFocusedButtonElseTheDefaultAnswer)
{
    using MB = MessageBoxService;
    MB::SetResponder({});
    const struct { MB::Answer defaultAnswer; const char* focus; Qt::Key key; MB::Answer answer; } cases[] = {
        {MB::AnswerYes, nullptr, Qt::Key_Return, MB::AnswerYes},
        {MB::AnswerNo, nullptr, Qt::Key_Return, MB::AnswerNo},
        {MB::AnswerNo, "はい(&Y)", Qt::Key_Enter, MB::AnswerYes},
        {MB::AnswerYes, "いいえ(&N)", Qt::Key_Return, MB::AnswerNo},
        {MB::AnswerYes, "いいえ(&N)", Qt::Key_Space, MB::AnswerNo},
    };
    for (const auto& c : cases) {
        QTimer::singleShot(0, [&c] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
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
        EXPECT_EQ(MB::Show(nullptr, QStringLiteral("?"), MB::Buttons::YesNo, MB::Icon::Question, QString(),
                           c.defaultAnswer),
                  c.answer)
            << c.key << " on " << (c.focus != nullptr ? c.focus : "the default");
    }
}

TEST(MessageBoxReporter, ShowsStoreFailuresAsExclamationWithOk)
{
    std::vector<MessageBoxService::Request> requests;
    MessageBoxService::SetResponder([&](const MessageBoxService::Request& request) {
        requests.push_back(request);
        return MessageBoxService::AnswerOk;
    });
    MessageBoxReporter reporter;
    reporter.ShowMessage(BoardTexts::kCannotWrite);
    MessageBoxService::SetResponder({});

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, QString::fromUtf8(BoardTexts::kCannotWrite));
    EXPECT_EQ(requests[0].caption, QStringLiteral("QuorlBoard"));
    EXPECT_EQ(requests[0].buttons, MessageBoxService::Buttons::Ok);
    EXPECT_EQ(requests[0].icon, MessageBoxService::Icon::Exclamation);
}

} // namespace
