#pragma once

#include "board/BoardMessage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What one command line asks for. Values are still UTF-8, as typed.
struct CliRequest
{
    enum class Command { None, Init, List, Show, Post, Delete, Send, Listen, Config };

    Command command = Command::None;
    bool help = false;
    bool version = false;

    std::string folder; // empty: the folder of the stored settings
    std::string encoding;
    int32_t number = 0;
    std::optional<std::string> title;
    std::optional<std::string> name;
    int32_t priority = kPriorityNormal;
    std::vector<std::string> attachments;

    bool announce = false;
    std::optional<int32_t> port; // none: the stored port
    std::string host;
    std::string text;
    std::optional<int32_t> count;
    std::optional<int32_t> timeoutSeconds;

    std::optional<std::string> group;
    std::optional<std::string> user;
    std::optional<int32_t> popup;
    std::optional<std::string> targets; // config: the extra destinations, as typed
};
