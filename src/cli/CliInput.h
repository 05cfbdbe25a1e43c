#pragma once

#include <cstddef>
#include <string>

// Reads what a command takes from standard input.
class CliInput
{
public:
    enum class Result { Read, TooLong, Failed };

    // Reads to the end, but stops as soon as more than maxBytes have come.
    // Failed, with the system's reason in error, when the input cannot be
    // read at all (a folder, a closed descriptor).
    static Result ReadAll(int fd, size_t maxBytes, std::string& out, std::string& error);
};
