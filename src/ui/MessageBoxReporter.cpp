#include "MessageBoxReporter.h"

#include "MessageBoxService.h"

#include <QString>

void MessageBoxReporter::ShowMessage(std::string_view text)
{
    MessageBoxService::Show(parent_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                            MessageBoxService::Buttons::Ok, MessageBoxService::Icon::Exclamation);
}
