#pragma once

#include "settings/ReadState.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>
#include <vector>

// The read marks of the board on show, kept in a small file of this desk's
// own. A file that cannot be read or written costs the marks, never the
// board: every message then counts as read, and a warning is logged.
class ReadMarks : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSaveDelayMs = 1000;
    static constexpr size_t kMaxFileSize = 64 * 1024;
    // A file that could not be read is moved aside to this name, not lost.
    static constexpr const char* kDamagedSuffix = ".damaged";

    explicit ReadMarks(QObject* parent = nullptr);
    ~ReadMarks() override;

    // After the board was listed: the marks kept in path (none for an empty
    // path), loaded when the path is new, settled with the listed numbers and
    // the board's counter.
    void Settle(const std::string& path, const std::vector<int32_t>& numbersOnBoard, int32_t counter);
    bool IsUnread(int32_t number) const { return !path_.empty() && !state_.IsRead(number); }
    // True when the number was unread; saved a little later.
    bool MarkRead(int32_t number);
    // Writes pending changes now; false when the file could not be written.
    bool Save();

    const std::string& Path() const { return path_; }

private:
    void Load(int32_t highest);
    void Changed();

    std::string path_;
    ReadState state_;
    bool dirty_ = false;
    bool saveWarned_ = false;
    QTimer saveTimer_;
};
