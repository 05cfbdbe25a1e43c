#pragma once

#include "BoardDocument.h"
#include "BoardMessage.h"

#include <libxml/parserInternals.h>

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

class BoardLock;
class MessageReporter;

// The board store: the only code that reads and writes BoardData.xml.
//
// Every operation reads the whole file. The document parsed from it is kept
// with its bytes, and reused only while the file holds exactly those bytes:
// a file rewritten in place within the same second and with the same length
// is still seen, on any file system. Changes are made under a lock file
// beside the board, so that programs of this system sharing the folder never
// lose each other's updates, and the file is replaced atomically.
class CBoardData
{
public:
    static constexpr const char* kFileName = "BoardData.xml";
    // The longest title, name or contents, in UTF-8 bytes, that a board can
    // hold: the parser refuses longer text, so it is never written.
    static constexpr size_t kMaxTextBytes = XML_MAX_TEXT_LENGTH - 1;
    // A board file up to this size keeps its whole parsed document between
    // operations, about seven times the file's size in memory. A larger one
    // keeps only its records; a change parses it again.
    static constexpr size_t kDocumentKeptUpTo = 32u << 20;

    explicit CBoardData(MessageReporter* reporter = nullptr);
    virtual ~CBoardData();
    CBoardData(const CBoardData&) = delete;
    CBoardData& operator=(const CBoardData&) = delete;

    void SetReporter(MessageReporter* reporter) { reporter_ = reporter; }
    // How long a change waits for another program's lock, and a read for a
    // change under way to end.
    void SetLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }
    // Whether an unchanged file reuses the document kept from it (the
    // default); without, every operation parses the file.
    void SetReuse(bool reuse);
    void SetDocumentKeptUpTo(size_t bytes) { documentKeptUpTo_ = bytes; }

    // The full path of the board file (a file-system path, not CP932).
    int SetFilePath(const std::string& path);
    const std::string& FilePath() const { return path_; }

    // Reads the file and gives the generation of its contents: a number that
    // changes whenever they do (and with every read while reuse is off). -1,
    // reporting nothing, when the board cannot be read.
    int ReadGeneration(uint64_t& generation);
    // The generation of the contents of the last read.
    uint64_t Generation() const { return generation_; }
    // The root's counter as last read or written: the highest number this
    // board ever gave. It never goes down while the board lives.
    int32_t Counter() const { return counter_; }

    // Appends every message, oldest first.
    int LoadMessages(std::vector<BoardMessage>& messages);
    // Fills the record from the message with its number; a number that no
    // message carries leaves the record as it was and still returns 0.
    int ReadMessage(BoardMessage& message);
    // Gives the message the board's next number and stores it in the record.
    // Its date moves on a second at a time until no other message of its
    // host name carries it (they would share an attachment folder); the
    // record gets the date stored.
    int AddMessage(BoardMessage& message);
    // Changes title, contents, priority and attachment flag of that message.
    int UpdateMessage(const BoardMessage& message);
    // Removes that message. 0 only when it was really removed from the file.
    int DeleteMessage(int32_t number);
    // Lets the kept document go.
    void CloseDocument();
    // Whether a message other than the one numbered exceptNumber names the
    // attachment folder of this host name and date. A board that cannot be
    // read counts as yes: no folder is touched on a guess.
    bool FolderNamedByAnother(const std::string& hostname, const std::string& date, int32_t exceptNumber);

    // The C runtime's atoi on this platform: white space, sign, digits; the
    // value saturates instead of overflowing.
    static int32_t ParseInteger(std::string_view text);

private:
    // What an operation needs of the board: its records, or the tree itself.
    enum class Need { Records, Tree };
    int OpenDocument(Need need);
    int OpenForReading(Need need);
    int OpenUnderLock();
    // A message that AddMessage appended to the root, and the counter before.
    struct Appended
    {
        xmlNodePtr element;
        std::string counter;
    };
    int SaveDocument(const Appended* appended);
    int SaveAndClose(const BoardLock& lock, const Appended* appended = nullptr);
    bool AppendReadsBack(const std::string& before, const std::string& after, const Appended& appended) const;
    bool ReadsBackTheSame(const std::string& bytes, BoardDocument& written) const;
    void EndOperation();
    void ForgetDerived();
    void ForgetIndex();
    void ReadRecords();
    void KeepAppended(xmlNodePtr element);
    bool KeepsOnlyRecords() const { return kept_ && keptBytes_.size() > documentKeptUpTo_; }
    xmlNodePtr FindMessage(int32_t number);
    void ReadRecord(xmlNodePtr element, BoardMessage& message) const;
    xmlNodePtr AppendElement(const char* name, const std::string& text, xmlNodePtr parent);
    std::string FreeDate(const std::string& hostname, std::string date) const;
    bool LockForChange(BoardLock& lock);
    xmlNodePtr OpenMessageForChange(BoardLock& lock, int32_t number);
    void Report(const char* text);

    std::string path_;
    BoardDocument document_;
    // The bytes document_ was parsed from, while it is kept between operations.
    std::string keptBytes_;
    bool kept_ = false;
    bool reuse_ = true;
    size_t documentKeptUpTo_ = kDocumentKeptUpTo;
    uint64_t generation_ = 0;
    int32_t counter_ = 0;
    // Each number's first message in document order, built once per
    // document, at its second look-up.
    std::unordered_map<std::string, xmlNodePtr> index_;
    int lookups_ = 0;
    // Every message's record, read once from a kept document, and where the
    // first message of each number text is among them.
    std::vector<BoardMessage> records_;
    std::unordered_map<std::string, size_t> recordAt_;
    bool recordsRead_ = false;
    MessageReporter* reporter_;
    std::chrono::milliseconds lockWait_;
};
