#include "core/RecordField.h"
#include "net/PeerRecord.h"

#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RecordField, SetCutsAtACharacterBoundaryAndZeroesTheRest)
{
    PeerRecord record;
    RecordField::Set(record.user, std::string(100, 'x'));
    RecordField::Set(record.user, "ab");
    EXPECT_EQ(std::string(record.user, sizeof record.user), "ab" + std::string(sizeof record.user - 2, '\0'));
    RecordField::Set(record.address, "255.255.255.2550");
    EXPECT_STREQ(record.address, "255.255.255.255");

    // 62 ASCII bytes leave one byte: not enough for "ソ" (83 5C).
    RecordField::Set(record.host, std::string(62, 'h') + Cp932Codec::FromUtf8("ソ"));
    EXPECT_EQ(std::string(record.host), std::string(62, 'h'));
    // Half-width katakana (ｱ is B1) are single bytes and fill the field to the last byte.
    RecordField::Set(record.host, std::string(70, '\xb1'));
    EXPECT_EQ(std::string(record.host), std::string(63, '\xb1'));
    RecordField::Set(record.user, "ab\x82"); // a lead byte without its second byte
    EXPECT_STREQ(record.user, "ab");
}

} // namespace
