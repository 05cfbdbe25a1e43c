#pragma once

#include <QString>

#include <functional>

class QWidget;

// Message boxes as the program shows them: the application's name as caption
// unless another is given, OK or Yes/No, an exclamation or stop icon.
// Tests install a responder that answers instead of a modal box.
class MessageBoxService
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { Exclamation, Stop, Information, Question };
    // The values of the Windows button identifiers.
    enum Answer { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

    struct Request
    {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
        // The button Enter presses while no other button has the focus.
        Answer defaultAnswer;
    };
    using Responder = std::function<Answer(const Request&)>;

    static Answer Show(QWidget* parent, const QString& text, Buttons buttons = Buttons::Ok,
                       Icon icon = Icon::Exclamation, const QString& caption = QString(),
                       Answer defaultAnswer = AnswerYes);

    // Replaces the modal box; an empty responder restores it.
    static void SetResponder(Responder responder);

    static QString ApplicationName();
};
