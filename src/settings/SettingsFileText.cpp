#include "SettingsFileText.h"

#include "core/Cp932Codec.h"

namespace {

constexpr char kQuote = '"';
constexpr char kBackslash = '\\';
constexpr char kPercent = '%';
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

// Only text that leaves no doubt when read back: outside ASCII, and no C1
// control character (U+0080..U+009F, encoded C2 80..C2 9F).
bool IsPlainUtf8(const std::string& utf8)
{
    if (utf8.empty())
        return false;
    for (unsigned char c : utf8) {
        if (c < 0x80)
            return false;
    }
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const auto next = utf8.size() > 1 ? static_cast<unsigned char>(utf8[1]) : 0;
    return !(lead == 0xC2 && next >= 0x80 && next <= 0x9F);
}

// The length of the non-ASCII character at bytes[at] and its UTF-8 form; the
// form is empty, and the length 1, when no UTF-8 form converts back to the
// same bytes.
size_t NextCharacter(std::string_view bytes, size_t at, std::string& utf8)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::string_view unit =
        bytes.substr(at, static_cast<size_t>(Cp932Codec::CharLength(lead)));
    utf8 = Cp932Codec::ToUtf8(unit);
    if (IsPlainUtf8(utf8) && Cp932Codec::FromUtf8(utf8) == unit)
        return unit.size();
    utf8.clear();
    return 1;
}

void AppendHex(std::string& out, unsigned char c)
{
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0x0F];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Two hex digits at the front of `in`, consumed.
bool TakeHexByte(std::string_view& in, std::string& out)
{
    if (in.size() < 2 || HexValue(in[0]) < 0 || HexValue(in[1]) < 0)
        return false;
    out += static_cast<char>(HexValue(in[0]) * 16 + HexValue(in[1]));
    in.remove_prefix(2);
    return true;
}

// Writes bytes with `escapeAscii` deciding for ASCII and `prefix` + HH for
// every other byte that has no plain UTF-8 form.
template <typename EscapeAscii>
std::string Escape(std::string_view bytes, char prefix, const char* hexIntro, EscapeAscii escapeAscii)
{
    std::string out;
    std::string utf8;
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            escapeAscii(out, c);
            ++i;
            continue;
        }
        const size_t length = NextCharacter(bytes, i, utf8);
        if (utf8.empty()) {
            out += prefix;
            out += hexIntro;
            AppendHex(out, c);
        } else {
            out += utf8;
        }
        i += length;
    }
    return out;
}

void Flush(std::string& run, std::string& bytes)
{
    bytes += Cp932Codec::FromUtf8(run);
    run.clear();
}

} // namespace

std::string SettingsFileText::Quote(std::string_view bytes)
{
    std::string out(1, kQuote);
    out += Escape(bytes, kBackslash, "x", [](std::string& text, unsigned char c) {
        switch (c) {
        case kQuote: text += "\\\""; return;
        case kBackslash: text += "\\\\"; return;
        case '\n': text += "\\n"; return;
        case '\r': text += "\\r"; return;
        case '\t': text += "\\t"; return;
        default: break;
        }
        if (IsControl(c)) {
            text += "\\x";
            AppendHex(text, c);
        } else {
            text += static_cast<char>(c);
        }
    });
    out += kQuote;
    return out;
}

bool SettingsFileText::IsText(std::string_view bytes)
{
    std::string utf8;
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        i += NextCharacter(bytes, i, utf8);
        if (utf8.empty())
            return false;
    }
    return true;
}

bool SettingsFileText::Unquote(std::string_view& in, std::string& bytes)
{
    bytes.clear();
    if (in.empty() || in[0] != kQuote)
        return false;
    std::string_view rest = in.substr(1);
    std::string run;
    while (!rest.empty()) {
        const char c = rest[0];
        rest.remove_prefix(1);
        if (c == kQuote) {
            Flush(run, bytes);
            in = rest;
            return true;
        }
        if (c != kBackslash) {
            run += c;
            continue;
        }
        Flush(run, bytes);
        if (rest.empty())
            return false;
        const char code = rest[0];
        rest.remove_prefix(1);
        switch (code) {
        case kQuote: bytes += kQuote; break;
        case kBackslash: bytes += kBackslash; break;
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case 'x':
            if (!TakeHexByte(rest, bytes))
                return false;
            break;
        default: return false;
        }
    }
    return false;
}

std::string SettingsFileText::EscapeKeyName(std::string_view bytes)
{
    return Escape(bytes, kPercent, "", [](std::string& text, unsigned char c) {
        if (c == kPercent || c == kBackslash || IsControl(c)) {
            text += kPercent;
            AppendHex(text, c);
        } else {
            text += static_cast<char>(c);
        }
    });
}

bool SettingsFileText::UnescapeKeyName(std::string_view text, std::string& bytes)
{
    bytes.clear();
    std::string run;
    while (!text.empty()) {
        const char c = text[0];
        text.remove_prefix(1);
        if (c != kPercent) {
            run += c;
            continue;
        }
        Flush(run, bytes);
        if (!TakeHexByte(text, bytes))
            return false;
    }
    Flush(run, bytes);
    return true;
}
