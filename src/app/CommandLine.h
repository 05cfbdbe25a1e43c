#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>

// The program's own arguments (Qt's are taken out before): an optional port
// number for this run, --help and --version.
class CommandLine
{
public:
    static constexpr int32_t kMaxPort = 65535;

    static CommandLine Parse(const QStringList& arguments); // without the program name

    bool help = false;
    bool version = false;
    std::optional<int32_t> port; // set only for a decimal number 1..65535
    QString error;               // an argument that was not understood

    static QString Usage();
};
