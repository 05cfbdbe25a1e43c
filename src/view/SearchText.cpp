#include "view/SearchText.h"

#include "core/Cp932Codec.h"

QString SearchText::Fold(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QString SearchText::FoldCp932(std::string_view text)
{
    return Fold(QString::fromStdString(Cp932Codec::ToUtf8(text)));
}
