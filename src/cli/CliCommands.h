#pragma once

#include "CliRequest.h"
#include "StreamReporter.h"

#include <iosfwd>
#include <string>

class CBoardData;
class CliSettings;

// Carries out one parsed request on the board of the message file folder.
class CliCommands
{
public:
    static constexpr int kExitSuccess = 0;
    static constexpr int kExitFailure = 1;
    static constexpr int kExitUsage = 2;

    // Contents to post are read from inputFd.
    CliCommands(int inputFd, std::ostream& out, std::ostream& err, CliSettings& settings);

    // The exit status: kExitSuccess, kExitFailure, or kExitUsage for values
    // that config refuses.
    int Run(const CliRequest& request);

private:
    enum class Lookup { Found, Missing, Failed };

    int Init(const std::string& folder, const CliRequest& request);
    int List(CBoardData& board);
    int Show(CBoardData& board, const CliRequest& request);
    int Post(CBoardData& board, const std::string& folder, const CliRequest& request);
    int Delete(CBoardData& board, const std::string& folder, const CliRequest& request);

    bool ResolveFolder(const CliRequest& request, std::string& folder);
    Lookup Find(CBoardData& board, int32_t number, BoardMessage& message);
    std::string PosterName(const CliRequest& request);
    // False, with the reason told, when the input cannot go on the board.
    bool ReadContents(std::string& contents);
    int Fail(const std::string& text);

    int inputFd_;
    std::ostream& out_;
    std::ostream& err_;
    CliSettings& settings_;
    StreamReporter reporter_;
};
