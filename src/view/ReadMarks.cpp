#include "view/ReadMarks.h"

#include "board/BoardLog.h"
#include "core/AtomicFile.h"
#include "core/FilePath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

ReadMarks::ReadMarks(QObject* parent) : QObject(parent)
{
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(kSaveDelayMs);
    connect(&saveTimer_, &QTimer::timeout, this, [this] { Save(); });
}

ReadMarks::~ReadMarks() { Save(); }

void ReadMarks::Settle(const std::string& path, const std::vector<int32_t>& numbersOnBoard, int32_t counter)
{
    const int32_t highest =
        std::max(counter, numbersOnBoard.empty() ? 0 : *std::max_element(numbersOnBoard.begin(), numbersOnBoard.end()));
    if (path != path_) {
        Save();
        path_ = path;
        saveWarned_ = false;
        if (path_.empty()) {
            state_ = ReadState();
            return;
        }
        Load(highest);
    }
    // A board's counter never goes down: below the numbers seen, a new board
    // stands in the old one's place, and is met for the first time.
    if (!path_.empty() && highest < state_.Highest()) {
        qCInfo(lcBoard, "read marks: the board was replaced (counter %d below %d), its messages count as read", highest,
               state_.Highest());
        state_ = ReadState::StartingAt(highest);
        Changed();
    }
    const ReadState before = state_;
    state_.Settle(numbersOnBoard);
    if (state_.Serialize() != before.Serialize())
        Changed();
}

void ReadMarks::Load(int32_t highest)
{
    std::string text;
    const bool read = AtomicFile::ReadAll(path_, text, kMaxFileSize);
    if (read) {
        if (std::optional<ReadState> state = ReadState::Parse(text)) {
            state_ = *state;
            dirty_ = false;
            return;
        }
    }
    if (read || errno == EFBIG) {
        const std::string aside = path_ + kDamagedSuffix;
        qCWarning(lcBoard, "read marks %s are damaged, kept as %s: every message counts as read", path_.c_str(),
                  aside.c_str());
        std::rename(path_.c_str(), aside.c_str());
    } else if (errno != ENOENT) {
        qCWarning(lcBoard, "read marks %s cannot be read (%s): every message counts as read", path_.c_str(),
                  std::strerror(errno));
    }
    // Met for the first time: what the board holds counts as read.
    state_ = ReadState::StartingAt(highest);
    Changed();
}

bool ReadMarks::MarkRead(int32_t number)
{
    if (!IsUnread(number) || !state_.MarkRead(number))
        return false;
    Changed();
    return true;
}

void ReadMarks::Changed()
{
    dirty_ = true;
    if (!saveTimer_.isActive())
        saveTimer_.start();
}

bool ReadMarks::Save()
{
    saveTimer_.stop();
    if (!dirty_ || path_.empty())
        return true;
    const std::error_code folder = FilePath::MakeFolders(FilePath::DirectoryOf(path_));
    const std::string text = state_.Serialize();
    const Status written = folder ? Status(folder, path_) : AtomicFile::Write(path_, {text});
    if (!written.ok()) {
        // Kept for the run; the next change tries again.
        if (!saveWarned_)
            qCWarning(lcBoard, "read marks cannot be saved: %s", written.Text().c_str());
        saveWarned_ = true;
        return false;
    }
    dirty_ = false;
    saveWarned_ = false;
    return true;
}
