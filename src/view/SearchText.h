#pragma once

#include <QString>

#include <string_view>

// Text as find compares it: compatibility forms made canonical (NFKC, so that
// full-width "ＡＢＣ" and half-width "ｶﾞ" become "ABC" and "ガ"), then case
// folded. A text contains a search when its folded form contains the folded
// search.
class SearchText
{
public:
    static QString Fold(const QString& text);
    // The same for CP932 bytes as the records hold them.
    static QString FoldCp932(std::string_view text);
};
