#pragma once

#include <string>

// Writes a board of `count` messages with Japanese titles and texts of a few
// hundred bytes, in the layout the store writes, declared as `encoding`
// ("UTF-8" or "Shift_JIS").
class BoardGenerator
{
public:
    static std::string Generate(int count, const std::string& encoding);
};
