#include "settings/ReadState.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::vector<int32_t> Range(int32_t first, int32_t last)
{
    std::vector<int32_t> numbers(static_cast<size_t>(last - first + 1));
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

} // namespace

TEST(ReadState, WhatTheBoardHeldAtFirstIsReadNewMessagesAreUnreadUntilMarkedAndTheMarkMovesUp)
{
    ReadState state = ReadState::StartingAt(5);
    state.Settle(Range(1, 8));
    EXPECT_TRUE(state.IsRead(5));
    EXPECT_FALSE(state.IsRead(6) || state.IsRead(7) || state.IsRead(8));
    EXPECT_EQ(state.Highest(), 8);

    EXPECT_TRUE(state.MarkRead(7));
    EXPECT_FALSE(state.MarkRead(7)) << "already read";
    state.Settle(Range(1, 8));
    EXPECT_EQ(state.LowWater(), 5) << "6 is still unread";
    EXPECT_TRUE(state.IsRead(7) && !state.IsRead(6));

    // 6 is deleted unread: it no longer holds the mark back.
    std::vector<int32_t> without6 = {1, 2, 3, 4, 5, 7, 8};
    state.Settle(without6);
    EXPECT_EQ(state.LowWater(), 7);
    EXPECT_EQ(state.ReadAboveCount(), 0u);
    EXPECT_FALSE(state.IsRead(8));

    // A read message deleted is forgotten at the next reading.
    state.MarkRead(9);
    state.Settle({1, 2, 3, 4, 5, 7, 8});
    EXPECT_FALSE(state.IsRead(9));
    ReadState empty = ReadState::StartingAt(0);
    empty.Settle({});
    EXPECT_FALSE(empty.IsRead(1)) << "the first message of a new board is unread";
}

TEST(ReadState, AnOldUnreadMessageDoesNotLetTheListGrowWithTheBoard)
{
    ReadState state = ReadState::StartingAt(0);
    const std::vector<int32_t> board = Range(1, 20000);
    for (int32_t number = 2; number <= 20000; ++number)
        state.MarkRead(number);
    state.Settle(board);
    EXPECT_LE(state.ReadAboveCount(), ReadState::kMaxReadAbove);
    EXPECT_LT(state.Serialize().size(), ReadState::kMaxReadAbove * 7);
    EXPECT_TRUE(state.IsRead(20000));
}

TEST(ReadState, TextRoundTripsAndAnythingElseIsRefused)
{
    ReadState state = ReadState::StartingAt(10);
    state.MarkRead(12);
    state.MarkRead(15);
    const std::optional<ReadState> back = ReadState::Parse(state.Serialize());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Serialize(), state.Serialize());
    EXPECT_TRUE(back->IsRead(12) && back->IsRead(15) && !back->IsRead(13) && back->Highest() == 10);

    const std::string good = state.Serialize();
    for (const std::string& bad : {
             std::string(), std::string("garbage"), good.substr(0, good.size() - 1), good + "x\n",
             std::string("QuorlBoard read state 1\nhighest 10\nlow 10\nread 9\n"),
             std::string("QuorlBoard read state 1\nhighest 10\nlow 1O\nread\n"),
             std::string("QuorlBoard read state 1\nhighest 99999999999\nlow 10\nread\n"),
             std::string("QuorlBoard read state 1\nlow 10\nhighest 10\nread\n"),
             std::string("QuorlBoard read state 2\nhighest 10\nlow 10\nread\n"),
         })
        EXPECT_FALSE(ReadState::Parse(bad)) << bad;
}
