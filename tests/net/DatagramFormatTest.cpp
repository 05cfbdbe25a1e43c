#include "net/DatagramFormat.h"

#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::string Sjis(const std::string& utf8)
{
    return Cp932Codec::FromUtf8(utf8);
}

PeerRecord Record(const std::string& address, const std::string& host, const std::string& user)
{
    PeerRecord record;
    PeerRecord::SetField(record.address, address);
    PeerRecord::SetField(record.host, host);
    PeerRecord::SetField(record.user, user);
    return record;
}

std::string Repeated(const std::string& text, int times)
{
    std::string repeated;
    for (int i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

Datagram Parsed(const std::string& bytes)
{
    return DatagramFormat::Parse(bytes);
}

TEST(DatagramFormat, EveryKindIsWrittenAsDecimalKindOwnFieldsAndTextInCp932)
{
    // 山田 is 8E 52 93 63 in code page 932.
    const PeerRecord own = Record("192.168.0.5", "PC05", "\x8e\x52\x93\x63");
    const std::string head = ":192.168.0.5:PC05:\x8e\x52\x93\x63:";
    EXPECT_EQ(DatagramFormat::Format(own, 1, own.user), "1" + head + "\x8e\x52\x93\x63");
    EXPECT_EQ(DatagramFormat::Format(own, 2, own.host), "2" + head + "PC05");
    EXPECT_EQ(DatagramFormat::Format(own, 3, "1234567"), "3" + head + "1234567");
    EXPECT_EQ(DatagramFormat::Format(own, 4, ""), "4" + head);
    const std::string message = Sjis("会議は10:30から\r\n第２会議室です");
    EXPECT_EQ(DatagramFormat::Format(own, 5, message), "5" + head + message);
    EXPECT_EQ(DatagramFormat::Format(own, 6, own.host), "6" + head + "PC05");
    EXPECT_EQ(DatagramFormat::Format(own, 7, own.user), "7" + head + "\x8e\x52\x93\x63");

    // An own record without an address still carries the empty field.
    EXPECT_EQ(DatagramFormat::Format(Record("", "PC05", ""), 1, ""), "1::PC05::");
}

TEST(DatagramFormat, ParseReadsBackWhatFormatWrote)
{
    const PeerRecord sender = Record("10.0.0.2", Sjis("経理-PC"), Sjis("佐藤 花子"));
    const std::string text = Sjis("10:30: ソ表能 \\ 予定");
    const Datagram d = Parsed(DatagramFormat::Format(sender, 5, text));
    EXPECT_EQ(d.kind, 5);
    EXPECT_STREQ(d.sender.address, "10.0.0.2");
    EXPECT_EQ(std::string(d.sender.host), Sjis("経理-PC"));
    EXPECT_EQ(std::string(d.sender.user), Sjis("佐藤 花子"));
    EXPECT_EQ(d.text, text);
}

TEST(DatagramFormat, MissingAndEmptyFieldsStayEmptyWithoutShiftingTheOthers)
{
    Datagram d = Parsed("5");
    EXPECT_EQ(d.kind, 5);
    EXPECT_STREQ(d.sender.address, "");
    EXPECT_STREQ(d.sender.host, "");
    EXPECT_STREQ(d.sender.user, "");
    EXPECT_EQ(d.text, "");

    d = Parsed("3:10.0.0.1:pcA");
    EXPECT_STREQ(d.sender.address, "10.0.0.1");
    EXPECT_STREQ(d.sender.host, "pcA");
    EXPECT_STREQ(d.sender.user, "");
    EXPECT_EQ(d.text, "");

    d = Parsed("1::pcA::");
    EXPECT_STREQ(d.sender.address, "");
    EXPECT_STREQ(d.sender.host, "pcA");
    EXPECT_STREQ(d.sender.user, "");
    EXPECT_EQ(d.text, "");

    d = Parsed("::::");
    EXPECT_EQ(d.kind, 0);
    EXPECT_EQ(d.text, "");

    d = Parsed("5:a:b:c:10:30:00:");
    EXPECT_STREQ(d.sender.user, "c");
    EXPECT_EQ(d.text, "10:30:00:");
}

TEST(DatagramFormat, KindIsReadAsTheLeadingDecimalNumber)
{
    EXPECT_EQ(Parsed("abc:1.2.3.4:h:u:t").kind, 0);
    EXPECT_EQ(Parsed(":1.2.3.4:h:u:t").kind, 0);
    EXPECT_EQ(Parsed("12abc:1.2.3.4:h:u:t").kind, 12);
    EXPECT_EQ(Parsed(" 7:a:b:c:d").kind, 7);
    EXPECT_EQ(Parsed("-3:a:b:c:d").kind, -3);
    EXPECT_EQ(Parsed("+4:a:b:c:d").kind, 4);
    EXPECT_EQ(Parsed("99999999999:a").kind, INT_MAX);
    EXPECT_EQ(Parsed("12abc:1.2.3.4:h:u:t").sender.host, std::string("h"));
    for (const char* bytes : {"abc:x", "12abc:x", " 7:", "-3", "5", "99999999999:a", ""})
        EXPECT_EQ(DatagramFormat::Kind(bytes), Parsed(bytes).kind) << bytes;
}

TEST(DatagramFormat, OverLongFieldsAreCutToTheirWidthsAtCharacterBoundaries)
{
    const std::string longAddress = "192.168.100.200.300";
    // Double-byte characters from an even offset cannot fill an odd width:
    // the one that would fit only by half is dropped whole.
    const std::string longHost = Repeated(Sjis("あ"), 40);
    const std::string longUser = "ab" + Repeated(Sjis("ソ"), 70);
    const std::string text(2000, 'x');

    const Datagram d = Parsed("5:" + longAddress + ":" + longHost + ":" + longUser + ":" + text);
    EXPECT_EQ(std::string(d.sender.address), longAddress.substr(0, 15));
    EXPECT_EQ(std::string(d.sender.host), longHost.substr(0, 62));
    EXPECT_EQ(std::string(d.sender.user), longUser.substr(0, 126));
    EXPECT_EQ(d.text, text);

    const Datagram ascii = Parsed("5:a:" + std::string(100, 'h') + ":" + std::string(200, 'u') + ":t");
    EXPECT_EQ(std::string(ascii.sender.host), std::string(63, 'h'));
    EXPECT_EQ(std::string(ascii.sender.user), std::string(127, 'u'));
    EXPECT_EQ(ascii.text, "t");
}

TEST(DatagramFormat, AZeroByteEndsTheDatagram)
{
    Datagram d = Parsed(std::string("5:1.2.3.4:h:u:ab\0cd", 20));
    EXPECT_EQ(d.text, "ab");
    d = Parsed(std::string("5:1.2\0.3.4:h:u:text", 19));
    EXPECT_STREQ(d.sender.address, "1.2");
    EXPECT_STREQ(d.sender.host, "");
    EXPECT_EQ(d.text, "");
    EXPECT_EQ(Parsed(std::string("\0" "5:a:b:c:d", 10)).kind, 0);
}

} // namespace
