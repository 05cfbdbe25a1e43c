#pragma once

#include <cstdint>

// Records that the settings store reads and writes. Text fields are CP932,
// zero-terminated within their fixed width.

struct GroupSettings
{
    static constexpr int kUserNameSize = 64;
    static constexpr int kGroupNameSize = 64;
    static constexpr int kMessageFolderSize = 260;
    static constexpr int32_t kDefaultPort = 1500;
    static constexpr int32_t kMinPort = 1500;
    static constexpr int32_t kMaxPort = 60000;
    static constexpr const char* kDefaultGroupName = "グループ１"; // UTF-8

    char userName[kUserNameSize] = {};
    char groupName[kGroupNameSize] = {};
    char messageFolder[kMessageFolderSize] = {}; // ends in the path separator once set
    int32_t portNumber = 0;
    int32_t popupOnReceipt = 0;
};

// Field for field the Windows LOGFONT layout; height in tenths of a point.
struct FontDescription
{
    static constexpr int kFaceNameSize = 32;

    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[kFaceNameSize] = {};
};

// Colours are 0x00BBGGRR. Index 2 × priority is the text colour, 2 × priority
// + 1 the background.
struct PriorityColors
{
    static constexpr int kCount = 6;
    uint32_t colors[kCount] = {};
};

// Red, blue and black text, each on white: the colours until others are chosen.
inline constexpr PriorityColors kDefaultPriorityColors = {
    {0x000000FF, 0x00FFFFFF, 0x00FF0000, 0x00FFFFFF, 0x00000000, 0x00FFFFFF}};

struct ClientSizeRecord
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t style = 0; // 1 normal, 3 maximised
};

struct ColumnWidths
{
    int32_t number = 0;
    int32_t title = 0;
    int32_t name = 0;
    int32_t datetime = 0;
};
