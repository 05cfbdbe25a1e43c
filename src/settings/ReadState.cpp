#include "settings/ReadState.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kHeader = "QuorlBoard read state 1";
constexpr std::string_view kHighest = "highest";
constexpr std::string_view kLowWater = "low";
constexpr std::string_view kRead = "read";

// The next space- or line-separated word of text, consumed.
std::string_view NextWord(std::string_view& text)
{
    const size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos || text[start] == '\n') {
        text = text.substr(start == std::string_view::npos ? text.size() : start);
        return {};
    }
    const size_t end = std::min(text.find_first_of(" \n", start), text.size());
    const std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

bool ToNumber(std::string_view word, int32_t& number)
{
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    return error == std::errc() && end == word.data() + word.size();
}

// One line "name value…", consumed with its line feed.
bool ReadLine(std::string_view& text, std::string_view name, std::vector<int32_t>& values)
{
    if (NextWord(text) != name)
        return false;
    for (std::string_view word = NextWord(text); !word.empty(); word = NextWord(text)) {
        int32_t number = 0;
        if (!ToNumber(word, number))
            return false;
        values.push_back(number);
    }
    if (text.empty() || text.front() != '\n')
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

ReadState ReadState::StartingAt(int32_t highest)
{
    ReadState state;
    state.highest_ = std::max(highest, 0);
    state.lowWater_ = state.highest_;
    return state;
}

bool ReadState::MarkRead(int32_t number)
{
    if (IsRead(number))
        return false;
    readAbove_.insert(number);
    return true;
}

void ReadState::Settle(std::vector<int32_t> numbersOnBoard)
{
    std::sort(numbersOnBoard.begin(), numbersOnBoard.end());
    if (!numbersOnBoard.empty())
        highest_ = std::max(highest_, numbersOnBoard.back());
    auto next = std::upper_bound(numbersOnBoard.begin(), numbersOnBoard.end(), lowWater_);
    // Read numbers no longer on the board stand for nothing.
    for (auto read = readAbove_.begin(); read != readAbove_.end();) {
        read = std::binary_search(next, numbersOnBoard.end(), *read) ? std::next(read) : readAbove_.erase(read);
    }
    for (; next != numbersOnBoard.end(); ++next) {
        if (readAbove_.erase(*next) == 0) {
            if (readAbove_.size() <= kMaxReadAbove)
                break;
        }
        lowWater_ = *next;
    }
    readAbove_.erase(readAbove_.begin(), readAbove_.upper_bound(lowWater_));
}

std::string ReadState::Serialize() const
{
    std::string text(kHeader);
    text.append("\n").append(kHighest).append(" ").append(std::to_string(highest_));
    text.append("\n").append(kLowWater).append(" ").append(std::to_string(lowWater_));
    text.append("\n").append(kRead);
    for (int32_t number : readAbove_)
        text.append(" ").append(std::to_string(number));
    text.append("\n");
    return text;
}

std::optional<ReadState> ReadState::Parse(std::string_view text)
{
    if (text.substr(0, kHeader.size()) != kHeader || text.substr(kHeader.size(), 1) != "\n")
        return std::nullopt;
    text.remove_prefix(kHeader.size() + 1);
    std::vector<int32_t> highest;
    std::vector<int32_t> lowWater;
    std::vector<int32_t> read;
    if (!ReadLine(text, kHighest, highest) || !ReadLine(text, kLowWater, lowWater) || !ReadLine(text, kRead, read) ||
        !text.empty() || highest.size() != 1 || lowWater.size() != 1 || read.size() > kMaxReadAbove * 2)
        return std::nullopt;
    ReadState state;
    state.highest_ = highest.front();
    state.lowWater_ = lowWater.front();
    for (int32_t number : read) {
        if (number <= state.lowWater_)
            return std::nullopt;
        state.readAbove_.insert(number);
    }
    return state;
}
