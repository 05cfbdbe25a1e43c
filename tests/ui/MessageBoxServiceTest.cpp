#include "board/BoardTexts.h"
#include "ui/MessageBoxReporter.h"
#include "ui/MessageBoxService.h"

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using MB = MessageBoxService;

// The real box: its caption, and what Enter or Space answer with the focus on
// a button or nowhere in particular.
TEST(MessageBoxService, TheRealBoxCarriesItsCaptionAndEnterPressesTheFocusedButtonElseTheDefault)
{
    const struct { const char* caption; MB::Answer defaultAnswer; const char* focus; Qt::Key key; MB::Answer answer; } cases[] = {
        {"", MB::AnswerYes, "", Qt::Key_Return, MB::AnswerYes},
        {"メッセージ", MB::AnswerNo, "", Qt::Key_Return, MB::AnswerNo},
        {"", MB::AnswerNo, "はい(&Y)", Qt::Key_Enter, MB::AnswerYes},
        {"", MB::AnswerYes, "いいえ(&N)", Qt::Key_Return, MB::AnswerNo},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.focus) + " key " + std::to_string(c.key));
        QString caption;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QString::fromUtf8(c.focus))
                    button->setFocus();
            QTest::keyClick(box->focusWidget() != nullptr ? box->focusWidget() : box, c.key);
            if (box->isVisible())
                box->reject(), ADD_FAILURE() << "the key closed nothing";
        });
        EXPECT_EQ(MB::Show(nullptr, "?", MB::Buttons::YesNo, MB::Icon::Question, QString::fromUtf8(c.caption),
                           c.defaultAnswer), c.answer);
        EXPECT_EQ(caption, *c.caption != '\0' ? QString::fromUtf8(c.caption) : QStringLiteral("QuorlBoard"));
    }
    // A store failure: an exclamation with OK.
    std::vector<MB::Request> requests;
    MB::SetResponder([&](const MB::Request& request) { return requests.push_back(request), MB::AnswerOk; });
    MessageBoxReporter().ShowMessage(BoardTexts::kCannotWrite);
    MB::SetResponder({});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].text == QString::fromUtf8(BoardTexts::kCannotWrite) && requests[0].buttons == MB::Buttons::Ok &&
                requests[0].icon == MB::Icon::Exclamation);
}

} // namespace
