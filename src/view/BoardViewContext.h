#pragma once

#include <string>
#include <string_view>

class CBoardData;
class PeerMessenger;
class SettingsStore;

// What the board view needs of the program: the board store and the settings
// store, who the member is and where the board lies, and the messenger that
// announces changes and sends direct messages. The names and the folder are
// read at each use: the settings window may change them.
class BoardViewContext
{
public:
    virtual ~BoardViewContext() = default;

    virtual CBoardData& Board() = 0;
    virtual SettingsStore& Store() = 0;
    virtual PeerMessenger& Messenger() = 0;
    // CP932, as the records hold them.
    virtual std::string_view HostName() const = 0;
    virtual std::string_view UserName() const = 0;
    // The message file folder as a file-system path, ending in a separator.
    virtual std::string MessageFolder() const = 0;
    // The file of this desk's read marks for the board on show; empty for
    // none, and then nothing is drawn as unread.
    virtual std::string ReadStatePath() const { return {}; }
};
