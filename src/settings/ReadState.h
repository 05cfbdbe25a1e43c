#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Which messages of one board this desk has shown. Every number up to the
// low-water mark counts as read; above it, the read numbers are listed. The
// mark moves up over every read number, so the list holds only the read
// messages above the oldest unread one, and never more than kMaxReadAbove.
class ReadState
{
public:
    static constexpr size_t kMaxReadAbove = 2048;

    // A board met for the first time: what it holds counts as read.
    static ReadState StartingAt(int32_t highest);

    bool IsRead(int32_t number) const { return number <= lowWater_ || readAbove_.count(number) != 0; }
    // True when the number was unread.
    bool MarkRead(int32_t number);
    // After a reading of the board: the highest number seen grows, the mark
    // moves up past every number that is read or no longer on the board, and
    // a list grown past its bound gives up its oldest unread messages.
    void Settle(std::vector<int32_t> numbersOnBoard);

    int32_t Highest() const { return highest_; }
    int32_t LowWater() const { return lowWater_; }
    size_t ReadAboveCount() const { return readAbove_.size(); }

    std::string Serialize() const;
    // Nothing for text that is not a read state as Serialize writes it.
    static std::optional<ReadState> Parse(std::string_view text);

private:
    int32_t highest_ = 0;
    int32_t lowWater_ = 0;
    std::set<int32_t> readAbove_;
};
