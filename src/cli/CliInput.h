#pragma once

#include "core/Status.h"

#include <cstddef>
#include <string>

// Reads what a command takes from standard input.
class CliInput
{
public:
    // Reads to the end, but stops with QuorlError::TooLong as soon as more
    // than maxBytes have come. Fails with the system's error when the input
    // cannot be read at all (a folder, a closed descriptor).
    static Status ReadAll(int fd, size_t maxBytes, std::string& out);
};
