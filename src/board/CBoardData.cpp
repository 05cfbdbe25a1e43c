#include "CBoardData.h"

#include "BoardDate.h"
#include "BoardLock.h"
#include "BoardLog.h"
#include "BoardTexts.h"
#include "MessageReporter.h"
#include "StoreLeftovers.h"
#include "core/AtomicFile.h"
#include "core/Cp932Codec.h"

#include <libxml/parserInternals.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace {

constexpr const char* kLineFeed = "\n";
constexpr const char* kTextFields[] = {"title", "name", "contents"};
constexpr const char* kAttributeFields[] = {"date", "hostname", "priority", "attach", "number"};
// Under the lock nobody else writes: a board briefly missing or short is a
// network share catching up with another program's rename.
constexpr int kLockedReadRetries = 4;
constexpr auto kLockedReadRetryDelay = std::chrono::milliseconds(50);
constexpr auto kChangeWaitDelay = std::chrono::milliseconds(20);

// XML cannot hold control characters other than tab, line feed and carriage
// return, not even as references: written raw they would make the board
// unreadable for every member. They become '?'.
std::string ToDocument(const std::string& cp932)
{
    std::string text = Cp932Codec::ToUtf8(cp932);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r')
            c = '?';
    }
    return text;
}

std::string FromDocument(const std::string& utf8)
{
    return Cp932Codec::FromUtf8(utf8);
}

// The parser refuses a longer text or attribute value unless told to read
// huge documents, which would lift its guard against hostile files. A value
// this long would make the whole board unreadable, so it is never written.
bool FitsTheParser(std::initializer_list<const std::string*> values)
{
    for (const std::string* value : values) {
        if (value->size() >= static_cast<size_t>(XML_MAX_TEXT_LENGTH))
            return false;
    }
    return true;
}

bool SameFields(xmlNodePtr a, xmlNodePtr b)
{
    for (const char* name : kTextFields) {
        if (BoardDocument::TextAsRead(BoardDocument::FirstDescendant(a, name)) !=
            BoardDocument::TextAsRead(BoardDocument::FirstDescendant(b, name)))
            return false;
    }
    for (const char* name : kAttributeFields) {
        if (BoardDocument::Attribute(a, name) != BoardDocument::Attribute(b, name))
            return false;
    }
    return true;
}

std::vector<xmlNodePtr> MessagesOf(const BoardDocument& document)
{
    std::vector<xmlNodePtr> messages;
    document.ForEachElement("message", [&](xmlNodePtr element) { messages.push_back(element); });
    return messages;
}

std::string CounterOf(const BoardDocument& document)
{
    const xmlNodePtr root = document.FirstElement("root");
    return root == nullptr ? std::string(1, '\0') : BoardDocument::Attribute(root, "number");
}

} // namespace

CBoardData::CBoardData(MessageReporter* reporter) : reporter_(reporter), lockWait_(LockFile::kDefaultWait) {}

CBoardData::~CBoardData() = default;

int CBoardData::SetFilePath(const std::string& path)
{
    if (path != path_)
        CloseDocument();
    path_ = path;
    return 0;
}

int CBoardData::ReadGeneration(uint64_t& generation)
{
    if (OpenForReading(Need::Records) != 0)
        return -1;
    generation = generation_;
    EndOperation();
    return 0;
}

void CBoardData::Report(const char* text)
{
    if (reporter_ != nullptr)
        reporter_->ShowMessage(text);
}

int32_t CBoardData::ParseInteger(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

void CBoardData::SetReuse(bool reuse)
{
    reuse_ = reuse;
    CloseDocument();
}

// The file is read whole every time; only its parse is spared.
int CBoardData::OpenDocument(Need need)
{
    const auto started = std::chrono::steady_clock::now();
    const auto elapsedMs = [&started] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    };
    std::string bytes;
    if (path_.empty() || !AtomicFile::ReadAll(path_, bytes, BoardDocument::kMaxBytes)) {
        CloseDocument();
        qCInfo(lcBoard) << "board read failed:" << std::strerror(errno);
        return -1;
    }
    if (kept_ && bytes == keptBytes_) {
        if (document_.loaded() || need == Need::Records) {
            qCInfo(lcBoard) << "board read:" << bytes.size() << "bytes unchanged, kept"
                            << (document_.loaded() ? "document" : "records") << "reused in" << elapsedMs() << "ms";
            return 0;
        }
        // Only the records of a large board were kept; the same bytes parse
        // to the same tree, so the generation stays.
        const bool parsed = document_.LoadFromBytes(keptBytes_);
        qCInfo(lcBoard) << "board read:" << bytes.size() << "bytes unchanged, parsed again for a change in"
                        << elapsedMs() << "ms";
        if (!parsed)
            CloseDocument();
        return parsed ? 0 : -1;
    }
    CloseDocument();
    const bool parsed = document_.LoadFromBytes(bytes);
    if (parsed && reuse_) {
        keptBytes_ = std::move(bytes);
        kept_ = true;
    }
    if (parsed) {
        ForgetDerived();
        ++generation_;
        counter_ = ParseInteger(CounterOf(document_));
    }
    qCInfo(lcBoard) << "board read:" << (parsed ? "parsed" : "refused by the parser") << "in" << elapsedMs() << "ms";
    return parsed ? 0 : -1;
}

// What was found in or read from the document, which must not outlive it.
void CBoardData::ForgetDerived()
{
    ForgetIndex();
    records_.clear();
    recordAt_.clear();
    recordsRead_ = false;
}

void CBoardData::ForgetIndex()
{
    index_.clear();
    lookups_ = 0;
}

// What was derived from the document before stays true after an append.
void CBoardData::KeepAppended(xmlNodePtr element)
{
    const std::string numberText = BoardDocument::Attribute(element, "number");
    if (!index_.empty())
        index_.emplace(numberText, element);
    if (recordsRead_) {
        recordAt_.emplace(numberText, records_.size());
        ReadRecord(element, records_.emplace_back());
    }
}

void CBoardData::ReadRecords()
{
    document_.ForEachElement("message", [this](xmlNodePtr element) {
        recordAt_.emplace(BoardDocument::Attribute(element, "number"), records_.size());
        ReadRecord(element, records_.emplace_back());
    });
    recordsRead_ = true;
}

// The first look-up in a document searches it, as cheap as building the
// index; a document looked into again is worth indexing.
xmlNodePtr CBoardData::FindMessage(int32_t number)
{
    const std::string numberText = std::to_string(number);
    if (lookups_++ == 0)
        return document_.FindMessage(numberText);
    if (index_.empty()) {
        document_.ForEachElement("message", [this](xmlNodePtr element) {
            index_.emplace(BoardDocument::Attribute(element, "number"), element);
        });
    }
    const auto found = index_.find(numberText);
    return found == index_.end() ? nullptr : found->second;
}

// A document that is not kept goes at once, as it did before documents were
// kept; so does the tree of a large board, once its records are read.
void CBoardData::EndOperation()
{
    if (!kept_) {
        document_.Close();
        ForgetDerived();
    } else if (KeepsOnlyRecords() && document_.loaded()) {
        if (!recordsRead_)
            ReadRecords();
        document_.Close();
        ForgetIndex();
    }
}

// A member who may not replace the board writes it in place, and it is
// incomplete meanwhile: while a change is going on, reading is tried again.
// A change may also have ended just before we looked.
int CBoardData::OpenForReading(Need need)
{
    const auto deadline = std::chrono::steady_clock::now() + lockWait_;
    for (bool changing = true;;) {
        if (OpenDocument(need) == 0)
            return 0;
        if (!changing || std::chrono::steady_clock::now() >= deadline)
            return -1;
        changing = BoardLock::IsHeld(path_);
        if (changing)
            std::this_thread::sleep_for(kChangeWaitDelay);
    }
}

int CBoardData::OpenUnderLock()
{
    for (int retry = 0;; ++retry) {
        if (OpenDocument(Need::Tree) == 0)
            return 0;
        if (retry == kLockedReadRetries)
            return -1;
        std::this_thread::sleep_for(kLockedReadRetryDelay);
    }
}

// What every member will read from these bytes must be what the tree holds:
// the counter, and each message field by field. Text that differs only where
// code page 932 cannot tell it apart gives the members the same record.
bool CBoardData::ReadsBackTheSame(const std::string& bytes, BoardDocument& written) const
{
    if (!written.LoadFromBytes(bytes) || !written.changeable() || CounterOf(written) != CounterOf(document_))
        return false;
    const std::vector<xmlNodePtr> before = MessagesOf(document_);
    const std::vector<xmlNodePtr> after = MessagesOf(written);
    if (before.size() != after.size())
        return false;
    for (size_t i = 0; i < before.size(); ++i) {
        if (SameFields(before[i], after[i]))
            continue;
        BoardMessage held;
        BoardMessage read;
        ReadRecord(before[i], held);
        ReadRecord(after[i], read);
        if (held != read)
            return false;
    }
    return true;
}

// The board is replaced only by bytes that read back as the tree; libxml2's
// encoder is tried first, since that is how the board has always been written.
// The document read back from the bytes written is then the one kept: it is
// what parsing the file gives, where the changed tree need not be. A message
// appended to bytes whose other messages are written as the serialiser
// writes them is checked alone, and the tree is kept as parsing would leave it.
int CBoardData::SaveDocument(const Appended* appended)
{
    std::string bytes;
    BoardDocument written;
    for (const auto encoder : {BoardDocument::Encoder::Library, BoardDocument::Encoder::Referencing}) {
        if (!document_.Serialise(bytes, encoder))
            continue;
        const bool appendChecked = appended != nullptr && AppendReadsBack(keptBytes_, bytes, *appended);
        if (!appendChecked && !ReadsBackTheSame(bytes, written))
            continue;
        qCInfo(lcBoard) << "board save:" << bytes.size() << "bytes,"
                        << (appendChecked ? "the appended message read back alone" : "read back whole");
        if (!AtomicFile::Write(path_, {bytes}, AtomicFile::InPlace::WhereReplacingIsRefused).ok())
            return -1;
        if (appendChecked) {
            BoardDocument::RemoveBlankText(appended->element);
            KeepAppended(appended->element);
        } else {
            document_.Swap(written);
            ForgetDerived();
        }
        ++generation_;
        if (reuse_) {
            keptBytes_ = std::move(bytes);
            kept_ = true;
        }
        return 0;
    }
    return -1;
}

namespace {

// Whether the board made of head, root start tag, window and root end tag
// holds exactly these message elements as the root's content, field for
// field, and the counter.
bool WindowHolds(const std::string& head, std::string_view tag, std::string_view window,
                 std::initializer_list<xmlNodePtr> expected, const std::string& counter)
{
    std::string board;
    board.reserve(head.size() + tag.size() + window.size() + 8);
    board.append(head).append(tag).append(window).append("</root>");
    BoardDocument fragment;
    if (!fragment.LoadFromBytes(board) || CounterOf(fragment) != counter)
        return false;
    const xmlNodePtr root = xmlDocGetRootElement(fragment.doc());
    xmlNodePtr child = root->children;
    for (xmlNodePtr wanted : expected) {
        if (child == nullptr || child->type != XML_ELEMENT_NODE || child->ns != nullptr ||
            !xmlStrEqual(child->name, BAD_CAST "message") || !SameFields(child, wanted))
            return false;
        child = child->next;
    }
    size_t messages = 0;
    fragment.ForEachElement("message", [&messages](xmlNodePtr) { ++messages; });
    return child == nullptr && messages == expected.size();
}

xmlNodePtr PreviousElement(xmlNodePtr node)
{
    do {
        node = node->prev;
    } while (node != nullptr && node->type != XML_ELEMENT_NODE);
    return node;
}

} // namespace

// The bytes after an append must be the bytes before with the root's counter
// changed and, from the last message on, that message and the new one: the
// last message's place in the bytes before is confirmed by it being the only
// content there. Everything outside the two windows is the same bytes, which
// read as the tree did; the windows are parsed alone.
bool CBoardData::AppendReadsBack(const std::string& before, const std::string& after, const Appended& appended) const
{
    const xmlNodePtr root = xmlDocGetRootElement(document_.doc());
    const xmlNodePtr previous = PreviousElement(appended.element);
    const std::string& head = document_.head();
    const std::string end = "</root>" + document_.tail();
    if (before.empty() || appended.element->parent != root || !xmlStrEqual(root->name, BAD_CAST "root") ||
        previous == nullptr || before.size() < head.size() + end.size() ||
        before.compare(0, head.size(), head) != 0 ||
        before.compare(before.size() - end.size(), end.size(), end) != 0 ||
        after.compare(after.size() - end.size(), end.size(), end) != 0)
        return false;
    const size_t tagEnd = before.find('>', head.size());
    const size_t tagEndAfter = after.find('>', head.size());
    if (tagEnd == std::string::npos || tagEndAfter == std::string::npos)
        return false;
    const std::string_view tagBefore(before.data() + head.size(), tagEnd + 1 - head.size());
    const std::string_view tagAfter(after.data() + head.size(), tagEndAfter + 1 - head.size());
    const std::string counter = CounterOf(document_);
    const std::string oldAttribute = " number=\"" + appended.counter + "\"";
    std::string expectedTag(tagBefore);
    const size_t at = expectedTag.find(oldAttribute);
    if (at == std::string::npos)
        return false;
    expectedTag.replace(at, oldAttribute.size(), " number=\"" + counter + "\"");
    if (expectedTag != tagAfter)
        return false;

    const size_t contentEnd = before.size() - end.size();
    const size_t last = before.rfind("<message", contentEnd);
    if (last == std::string::npos || last <= tagEnd)
        return false;
    const size_t unchanged = last - (tagEnd + 1);
    const size_t lastAfter = tagEndAfter + 1 + unchanged;
    if (lastAfter > after.size() - end.size() || after.compare(tagEndAfter + 1, unchanged, before, tagEnd + 1, unchanged) != 0)
        return false;
    const std::string_view windowBefore(before.data() + last, contentEnd - last);
    const std::string_view windowAfter(after.data() + lastAfter, after.size() - end.size() - lastAfter);
    return WindowHolds(head, tagBefore, windowBefore, {previous}, appended.counter) &&
           WindowHolds(head, tagAfter, windowAfter, {previous, appended.element}, counter);
}

// A board that cannot be written back is a failure: the file stays as it was.
// So is a lock that was taken from us while we worked (judged stale because
// we were so slow): writing now could undo another program's change.
int CBoardData::SaveAndClose(const BoardLock& lock, const Appended* appended)
{
    // The changed tree matches no file yet; a failed save keeps nothing.
    kept_ = false;
    const int saved = lock.StillHeld() ? SaveDocument(appended) : -1;
    if (saved != 0) {
        CloseDocument();
        Report(BoardTexts::kCannotWrite);
    }
    EndOperation();
    return saved;
}

void CBoardData::CloseDocument()
{
    document_.Close();
    keptBytes_.clear();
    kept_ = false;
    ForgetDerived();
}

bool CBoardData::LockForChange(BoardLock& lock)
{
    // Without a board there is nothing to guard, and no lock file is left
    // lying about in a folder (or a working directory) that holds no board.
    if (path_.empty() || ::access(path_.c_str(), F_OK) != 0) {
        Report(BoardTexts::kCannotRead);
        return false;
    }
    switch (lock.Acquire(lockWait_)) {
    case LockFile::Result::Acquired:
        if (const LockFile* file = lock.lockFile(); file != nullptr)
            StoreLeftovers::Remove(path_, file->path(), file->serverNowNs());
        return true;
    case LockFile::Result::Failed:
        // A folder that does not exist holds no board to read; any other
        // refusal means the folder cannot be written.
        Report(lock.error() == std::errc::no_such_file_or_directory || lock.error() == std::errc::not_a_directory
                   ? BoardTexts::kCannotRead
                   : BoardTexts::kCannotWrite);
        return false;
    case LockFile::Result::Busy:
        Report(BoardTexts::kCannotWrite);
        return false;
    }
    return false;
}

void CBoardData::ReadRecord(xmlNodePtr element, BoardMessage& message) const
{
    message.title = FromDocument(BoardDocument::TextAsRead(BoardDocument::FirstDescendant(element, "title")));
    message.name = FromDocument(BoardDocument::TextAsRead(BoardDocument::FirstDescendant(element, "name")));
    message.contents =
        FromDocument(BoardDocument::TextAsRead(BoardDocument::FirstDescendant(element, "contents")));
    message.priority = ParseInteger(BoardDocument::Attribute(element, "priority"));
    message.attach = ParseInteger(BoardDocument::Attribute(element, "attach"));
    message.date = FromDocument(BoardDocument::Attribute(element, "date"));
    message.hostname = FromDocument(BoardDocument::Attribute(element, "hostname"));
    message.number = ParseInteger(BoardDocument::Attribute(element, "number"));
}

int CBoardData::LoadMessages(std::vector<BoardMessage>& messages)
{
    if (OpenForReading(Need::Records) != 0) {
        Report(BoardTexts::kCannotRead);
        return -1;
    }
    if (!kept_) {
        document_.ForEachElement("message", [&](xmlNodePtr element) { ReadRecord(element, messages.emplace_back()); });
    } else {
        if (!recordsRead_)
            ReadRecords();
        messages.insert(messages.end(), records_.begin(), records_.end());
    }
    EndOperation();
    return 0;
}

int CBoardData::ReadMessage(BoardMessage& message)
{
    if (OpenForReading(Need::Records) != 0) {
        Report(BoardTexts::kReadError);
        return -1;
    }
    if (!document_.loaded()) {
        if (const auto found = recordAt_.find(std::to_string(message.number)); found != recordAt_.end())
            message = records_[found->second];
    } else if (xmlNodePtr element = FindMessage(message.number); element != nullptr) {
        ReadRecord(element, message);
    }
    EndOperation();
    return 0;
}

xmlNodePtr CBoardData::AppendElement(const char* name, const std::string& text, xmlNodePtr parent)
{
    xmlNodePtr element = document_.NewElement(name);
    document_.AppendText(element, text);
    xmlAddChild(parent, element);
    if (text.empty())
        document_.AppendText(element, kLineFeed);
    document_.AppendText(parent, kLineFeed);
    return element;
}

int CBoardData::AddMessage(BoardMessage& message)
{
    const std::string title = ToDocument(message.title);
    const std::string name = ToDocument(message.name);
    const std::string contents = ToDocument(message.contents);
    const std::string date = ToDocument(message.date);
    const std::string hostname = ToDocument(message.hostname);
    if (!FitsTheParser({&title, &name, &contents, &date, &hostname})) {
        Report(BoardTexts::kCannotWrite);
        return -1;
    }
    BoardLock lock(path_);
    if (!LockForChange(lock))
        return -1;
    xmlNodePtr root = OpenUnderLock() == 0 ? document_.FirstElement("root") : nullptr;
    if (root == nullptr) {
        EndOperation();
        Report(BoardTexts::kCannotRead);
        return -1;
    }
    const int32_t counter = ParseInteger(BoardDocument::Attribute(root, "number"));
    if (counter == INT32_MAX) {
        EndOperation();
        Report(BoardTexts::kCannotWrite);
        return -1;
    }
    const int32_t number = counter + 1;
    const std::string numberText = std::to_string(number);
    const std::string storedDate = FreeDate(hostname, date);
    const std::string counterText = BoardDocument::Attribute(root, "number");

    BoardDocument::SetAttribute(root, "number", numberText);
    xmlNodePtr element = AppendElement("message", std::string(), root);
    BoardDocument::SetAttribute(element, "date", storedDate);
    BoardDocument::SetAttribute(element, "hostname", hostname);
    BoardDocument::SetAttribute(element, "priority", std::to_string(message.priority));
    BoardDocument::SetAttribute(element, "attach", std::to_string(message.attach));
    BoardDocument::SetAttribute(element, "number", numberText);
    AppendElement("title", title, element);
    AppendElement("name", name, element);
    AppendElement("contents", contents, element);

    const Appended appended{element, counterText};
    if (SaveAndClose(lock, &appended) != 0)
        return -1;
    message.number = number;
    counter_ = number;
    if (storedDate != date)
        message.date = FromDocument(storedDate);
    return 0;
}

std::string CBoardData::FreeDate(const std::string& hostname, std::string date) const
{
    std::unordered_set<std::string> taken;
    document_.ForEachElement("message", [&](xmlNodePtr element) {
        if (BoardDocument::Attribute(element, "hostname") == hostname)
            taken.insert(BoardDocument::Attribute(element, "date"));
    });
    while (taken.count(date) != 0) {
        std::string next = BoardDate::NextSecond(date);
        if (next.empty())
            break;
        date = std::move(next);
    }
    return date;
}

bool CBoardData::FolderNamedByAnother(const std::string& hostname, const std::string& date, int32_t exceptNumber)
{
    if (OpenForReading(Need::Tree) != 0)
        return true;
    const std::string host = ToDocument(hostname);
    const std::string when = ToDocument(date);
    bool named = false;
    document_.ForEachElement("message", [&](xmlNodePtr element) {
        named = named || (BoardDocument::Attribute(element, "hostname") == host &&
                          BoardDocument::Attribute(element, "date") == when &&
                          ParseInteger(BoardDocument::Attribute(element, "number")) != exceptNumber);
    });
    EndOperation();
    return named;
}

// Locks the board, loads it and finds the message; every failure is reported.
xmlNodePtr CBoardData::OpenMessageForChange(BoardLock& lock, int32_t number)
{
    if (!LockForChange(lock))
        return nullptr;
    if (OpenUnderLock() != 0) {
        Report(BoardTexts::kCannotRead);
        return nullptr;
    }
    xmlNodePtr element = FindMessage(number);
    if (element == nullptr) {
        EndOperation();
        Report(BoardTexts::kNoSuchMessage);
    }
    return element;
}

int CBoardData::UpdateMessage(const BoardMessage& message)
{
    const std::string title = ToDocument(message.title);
    const std::string contents = ToDocument(message.contents);
    if (!FitsTheParser({&title, &contents})) {
        Report(BoardTexts::kCannotWrite);
        return -1;
    }
    BoardLock lock(path_);
    xmlNodePtr element = OpenMessageForChange(lock, message.number);
    if (element == nullptr)
        return -1;
    BoardDocument::SetAttribute(element, "priority", std::to_string(message.priority));
    BoardDocument::SetAttribute(element, "attach", std::to_string(message.attach));
    if (xmlNodePtr titleElement = BoardDocument::FirstDescendant(element, "title"); titleElement != nullptr)
        document_.ReplaceText(titleElement, title);
    if (xmlNodePtr contentsElement = BoardDocument::FirstDescendant(element, "contents"); contentsElement != nullptr)
        document_.ReplaceText(contentsElement, contents);

    return SaveAndClose(lock);
}

int CBoardData::DeleteMessage(int32_t number)
{
    if (number <= 0) {
        Report(BoardTexts::kInvalidNumber);
        return -1;
    }
    BoardLock lock(path_);
    xmlNodePtr element = OpenMessageForChange(lock, number);
    if (element == nullptr)
        return -1;
    xmlUnlinkNode(element);
    xmlFreeNode(element);
    return SaveAndClose(lock);
}
