#include "MessageBoxService.h"

#include "ui/AppLog.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

MessageBoxService::Responder& CurrentResponder()
{
    static MessageBoxService::Responder responder;
    return responder;
}

QMessageBox::Icon ToQtIcon(MessageBoxService::Icon icon)
{
    switch (icon) {
    case MessageBoxService::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageBoxService::Icon::Stop:
        return QMessageBox::Critical;
    case MessageBoxService::Icon::Information:
        return QMessageBox::Information;
    case MessageBoxService::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString MessageBoxService::ApplicationName()
{
    return QStringLiteral("QuorlBoard");
}

void MessageBoxService::SetResponder(Responder responder)
{
    CurrentResponder() = std::move(responder);
}

MessageBoxService::Answer MessageBoxService::Show(QWidget* parent, const QString& text, Buttons buttons,
                                                  Icon icon, const QString& caption, Answer defaultAnswer)
{
    const Request request{text, caption.isEmpty() ? ApplicationName() : caption, buttons, icon,
                          buttons == Buttons::Ok ? AnswerOk : defaultAnswer};
    qCInfo(lcApp).noquote() << "message box:" << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (const Responder& responder = CurrentResponder())
        return responder(request);

    QMessageBox box(ToQtIcon(icon), request.caption, text, QMessageBox::NoButton, parent);
    if (buttons == Buttons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(defaultAnswer == AnswerNo ? no : yes);
        box.exec();
        return box.clickedButton() == static_cast<QAbstractButton*>(yes) ? AnswerYes : AnswerNo;
    }
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return AnswerOk;
}
