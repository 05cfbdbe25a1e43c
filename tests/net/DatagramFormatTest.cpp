#include "net/DatagramFormat.h"
#include "net/OwnAddress.h"

#include "net/TestPeer.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace std::string_literals;

std::string Sjis(const std::string& utf8) { return Cp932Codec::FromUtf8(utf8); }

// "kind|address|host|user|text" as parsed; "-" when refused.
std::string Fields(const std::string& bytes)
{
    const std::optional<Datagram> d = DatagramFormat::Parse(bytes);
    if (!d)
        return "-";
    return std::to_string(d->kind) + "|" + d->sender.address + "|" + d->sender.host + "|" + d->sender.user + "|" +
           d->text;
}

TEST(DatagramFormat, EveryKindIsWrittenAsDecimalKindOwnFieldsAndTextInCp932AndReadBack)
{
    const PeerRecord own = Peer("192.168.0.5", "PC05", "山田");
    const std::string head = ":192.168.0.5:PC05:\x8e\x52\x93\x63:"; // 山田 in code page 932
    const std::string message = Sjis("会議は10:30から\r\n第２会議室です");
    for (const auto& [kind, text] : std::vector<std::pair<int, std::string>>{
             {1, own.user}, {2, own.host}, {3, "1234567"}, {4, ""}, {5, message}, {6, own.host}, {7, own.user}})
        EXPECT_EQ(DatagramFormat::Format(own, kind, text), std::to_string(kind) + head + text) << kind;
    EXPECT_EQ(DatagramFormat::Format(Peer("", "PC05", ""), 1, ""), "1::PC05::");

    const std::string text = Sjis("10:30: ソ表能 \\ 予定");
    EXPECT_EQ(Fields(DatagramFormat::Format(Peer("10.0.0.2", "経理-PC", "佐藤 花子"), 5, text)),
              "5|10.0.0.2|" + Sjis("経理-PC") + "|" + Sjis("佐藤 花子") + "|" + text);
}

TEST(DatagramFormat, ParseKeepsFieldsInPlaceCutsThemAtCharactersStopsAtAZeroByteAndRefusesWhatNoMemberSends)
{
    // "ソ" (83 5C) from an even offset cannot fill the odd width: the one
    // that would fit only by half is dropped whole.
    std::string longUser = "ab";
    for (int i = 0; i < 70; ++i)
        longUser += Sjis("ソ");
    const std::string longText(2000, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"1::pcA::", "1||pcA||"}, {"5:a:b:c:10:30:00:", "5|a|b|c|10:30:00:"},
        {"99999999999:a:b:c:d", std::to_string(INT_MAX) + "|a|b|c|d"}, {"007:a:b:c:", "7|a|b|c|"},
        {"5:1.2.3.4:h:u:ab\0cd"s, "5|1.2.3.4|h|u|ab"},
        {"5:192.168.100.200.300:" + std::string(100, 'h') + ":" + longUser + ":" + longText,
         "5|192.168.100.200|" + std::string(63, 'h') + "|" + longUser.substr(0, 126) + "|" + longText},
        {"5:a:b:" + std::string(200, 'u') + ":t", "5|a|b|" + std::string(127, 'u') + "|t"},
        // Fewer than four separators, or a kind that is not only digits.
        {"", "-"}, {"5", "-"}, {"3:10.0.0.1:pcA", "-"}, {"5:1.2.3.4:h:u", "-"}, {"5:1.2\0.3.4:h:u:text"s, "-"},
        {"\0" "5:a:b:c:d"s, "-"}, {"::::", "-"}, {"abc:1.2.3.4:h:u:t", "-"}, {"12abc:1.2.3.4:h:u:t", "-"},
        {" 7:a:b:c:d", "-"}, {"-3:a:b:c:d", "-"}, {"+4:a:b:c:d", "-"},
    };
    for (const auto& [bytes, fields] : cases) {
        EXPECT_EQ(Fields(bytes), fields) << bytes;
        if (fields != "-") {
            EXPECT_EQ(DatagramFormat::Kind(bytes), DatagramFormat::Parse(bytes)->kind) << bytes;
        }
    }
}

// A loopback address would make every peer answer to itself.
TEST(OwnAddress, LookUpNeverGivesALoopbackAddress)
{
    for (const char* loopback : {"localhost", "127.0.1.1", ""})
        EXPECT_EQ(OwnAddress::LookUp(loopback), "") << loopback;
    EXPECT_EQ(OwnAddress::LookUp("192.0.2.77"), "192.0.2.77");
}

} // namespace
