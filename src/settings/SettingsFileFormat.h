#pragma once

#include "settings/SettingsTree.h"

#include <string>
#include <string_view>

// The settings file: UTF-8 text in the manner of a Windows .reg export.
//
//   ; comment
//   [Software\QuorlBoard\グループ１]        a key, its path below the root
//   "curgroup"="グループ１"                 REG_SZ
//   "portno"=dword:000005dc                REG_DWORD of 4 bytes
//   "Height"=hex:6e,00,00,00               REG_BINARY, any size
//   "odd"=hex(4):01,00                     any other type or size
//   @="..."                                the value with the empty name
//
// Every key that holds values or no sub-keys is written, parents first, so
// empty keys survive; a key with sub-keys only is made by their headers, so
// that a deep path is written once and not once per level. "[]" holds values
// of the root itself. A header deeper, or with longer key names, than
// SettingsTree allows is a damaged line. The "..." form is used only for a
// REG_SZ value that ends in its one zero byte and is text in the sense of
// SettingsFileText::IsText; every other value keeps its exact bytes in hex.
// Long hex lists go on over lines ending in '\'. Names and strings are
// escaped as SettingsFileText describes, so parsing the formatted text gives
// back the same tree for any names and bytes.
class SettingsFileFormat
{
public:
    static std::string Format(const SettingsTree& tree);

    // Keeps all it can read. Every line that cannot be read is skipped and
    // counted, and so is each value line below a header that cannot be read.
    static SettingsTree Parse(std::string_view text, size_t* unreadableLines = nullptr);
};
