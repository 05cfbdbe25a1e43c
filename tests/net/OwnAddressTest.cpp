#include "net/OwnAddress.h"

#include <gtest/gtest.h>

namespace {

// A loopback address would make every peer answer to itself.
TEST(OwnAddress, LookUpNeverGivesALoopbackAddress)
{
    EXPECT_EQ(OwnAddress::LookUp("localhost"), "");
    EXPECT_EQ(OwnAddress::LookUp("127.0.1.1"), "");
    EXPECT_EQ(OwnAddress::LookUp(""), "");
    EXPECT_EQ(OwnAddress::LookUp("192.0.2.77"), "192.0.2.77");
}

} // namespace
