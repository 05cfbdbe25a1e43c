#include "Cp932Codec.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>
#include <vector>

namespace {

constexpr char kReplacement = '?';

// One iconv handle per direction and thread, opened on first use; iconv_open
// costs far more than converting a short field.
class IconvHandle
{
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// How many bytes make up the bad sequence at the front of the input, so that
// one replacement stands for one character and no good byte is swallowed.
size_t Utf8BadSequenceLength(const char* p, size_t left)
{
    const auto lead = static_cast<unsigned char>(p[0]);
    size_t expected = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        expected = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        expected = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        expected = 4;
    size_t length = 1;
    while (length < expected && length < left && (static_cast<unsigned char>(p[length]) & 0xC0) == 0x80)
        ++length;
    return length;
}

size_t Cp932BadSequenceLength(const char* p, size_t left)
{
    const auto lead = static_cast<unsigned char>(p[0]);
    if (Cp932Codec::CharLength(lead) == 2 && left >= 2) {
        const auto trail = static_cast<unsigned char>(p[1]);
        if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC))
            return 2;
    }
    return 1;
}

bool IsAscii(std::string_view text)
{
    for (unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// Converts with iconv; on an unconvertible or incomplete sequence writes '?'
// and skips that one sequence. Returns the number of replacements.
size_t Convert(const IconvHandle& handle, std::string_view input, std::string& out,
               size_t (*badSequenceLength)(const char*, size_t))
{
    out.clear();
    if (input.empty())
        return 0;
    if (!handle.valid()) {
        out.assign(input.size(), kReplacement);
        return input.size();
    }
    iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t written = 0;
    size_t replaced = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + written;
        size_t outLeft = out.size() - written;
        size_t rc = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
        written = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: replace one sequence and go on.
        if (written == out.size())
            out.resize(out.size() * 2);
        out[written++] = kReplacement;
        ++replaced;
        const size_t skip = badSequenceLength(in, inLeft);
        in += skip;
        inLeft -= skip;
        iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(written);
    return replaced;
}

const IconvHandle& ToUtf8Handle()
{
    thread_local IconvHandle handle("UTF-8", "CP932");
    return handle;
}

const IconvHandle& FromUtf8Handle()
{
    thread_local IconvHandle handle("CP932", "UTF-8");
    return handle;
}

char* PutUtf8(char* out, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        *out++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// The code point of a well-formed UTF-8 sequence at p, or -1. *length is
// the number of bytes it takes.
int32_t DecodeUtf8(const unsigned char* p, size_t left, size_t* length)
{
    const unsigned char lead = p[0];
    uint32_t codePoint = 0;
    size_t size = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return -1;
    }
    if (left < size || p[1] < low || p[1] > high)
        return -1;
    for (size_t i = 1; i < size; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return -1;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    *length = size;
    return static_cast<int32_t>(codePoint);
}

// What iconv makes of single characters, remembered per thread: a board holds
// a few thousand distinct characters, converted again and again.
class CharacterCache
{
public:
    static constexpr uint16_t kUnknown = 0;
    static constexpr uint16_t kUnmappable = 0xFFFF;

    // The CP932 code (one byte below 0x100, else lead << 8 | trail).
    uint16_t ToCp932(uint32_t codePoint)
    {
        if (codePoint >= toCp932_.size())
            return Cp932ByIconv(codePoint);
        uint16_t& entry = toCp932_[codePoint];
        if (entry == kUnknown)
            entry = Cp932ByIconv(codePoint);
        return entry;
    }

    // The code point of a CP932 code (one byte, or lead << 8 | trail).
    uint16_t ToUnicode(uint16_t code)
    {
        uint16_t& entry = toUnicode_[code];
        if (entry == kUnknown)
            entry = UnicodeByIconv(code);
        return entry;
    }

    static CharacterCache& ForThread()
    {
        thread_local std::unique_ptr<CharacterCache> cache = std::make_unique<CharacterCache>();
        return *cache;
    }

private:
    static uint16_t Cp932ByIconv(uint32_t codePoint)
    {
        char buffer[4];
        const std::string_view utf8(buffer, static_cast<size_t>(PutUtf8(buffer, codePoint) - buffer));
        std::string out;
        if (Convert(FromUtf8Handle(), utf8, out, Utf8BadSequenceLength) != 0 || out.empty() || out.size() > 2)
            return kUnmappable;
        if (out.size() == 1)
            return static_cast<unsigned char>(out[0]);
        return static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) | static_cast<unsigned char>(out[1]));
    }

    static uint16_t UnicodeByIconv(uint16_t code)
    {
        std::string cp932;
        if (code > 0xFF)
            cp932 += static_cast<char>(code >> 8);
        cp932 += static_cast<char>(code & 0xFF);
        std::string out;
        if (Convert(ToUtf8Handle(), cp932, out, Cp932BadSequenceLength) != 0 || out.empty())
            return kUnmappable;
        size_t length = 0;
        const int32_t codePoint =
            DecodeUtf8(reinterpret_cast<const unsigned char*>(out.data()), out.size(), &length);
        if (codePoint <= 0 || codePoint > 0xFFFE || length != out.size())
            return kUnmappable;
        return static_cast<uint16_t>(codePoint);
    }

    std::vector<uint16_t> toCp932_ = std::vector<uint16_t>(0x10000, kUnknown);
    std::vector<uint16_t> toUnicode_ = std::vector<uint16_t>(0x10000, kUnknown);
};

bool IsTrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Both loops write into a buffer sized for the worst case: a CP932 byte
// becomes at most three UTF-8 bytes, and a UTF-8 sequence never becomes
// more CP932 bytes than it has.
size_t Cp932ToUtf8(std::string_view cp932, std::string& out)
{
    CharacterCache& cache = CharacterCache::ForThread();
    out.resize(cp932.size() * 3);
    char* o = out.data();
    size_t replaced = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
    const size_t size = cp932.size();
    for (size_t i = 0; i < size;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
            ++i;
            continue;
        }
        uint16_t code = c;
        size_t length = 1;
        if (Cp932Codec::CharLength(c) == 2) {
            if (i + 1 >= size || !IsTrailByte(p[i + 1])) {
                *o++ = kReplacement;
                ++replaced;
                ++i;
                continue;
            }
            code = static_cast<uint16_t>((c << 8) | p[i + 1]);
            length = 2;
        }
        const uint16_t codePoint = cache.ToUnicode(code);
        if (codePoint == CharacterCache::kUnmappable) {
            *o++ = kReplacement;
            ++replaced;
        } else {
            o = PutUtf8(o, codePoint);
        }
        i += length;
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return replaced;
}

size_t Utf8ToCp932(std::string_view utf8, std::string& out)
{
    CharacterCache& cache = CharacterCache::ForThread();
    out.resize(utf8.size());
    char* o = out.data();
    size_t replaced = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = utf8.size();
    for (size_t i = 0; i < size;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
            ++i;
            continue;
        }
        int32_t codePoint;
        size_t length = 3;
        // Most Japanese text is three-byte sequences outside the special leads.
        if (c >= 0xE1 && c <= 0xEF && c != 0xED && i + 2 < size && (p[i + 1] & 0xC0) == 0x80 &&
            (p[i + 2] & 0xC0) == 0x80) {
            codePoint = ((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
        } else {
            codePoint = DecodeUtf8(p + i, size - i, &length);
        }
        if (codePoint < 0) {
            *o++ = kReplacement;
            ++replaced;
            i += Utf8BadSequenceLength(utf8.data() + i, size - i);
            continue;
        }
        const uint16_t code = cache.ToCp932(static_cast<uint32_t>(codePoint));
        if (code == CharacterCache::kUnmappable) {
            *o++ = kReplacement;
            ++replaced;
        } else {
            if (code > 0xFF)
                *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        }
        i += length;
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return replaced;
}

} // namespace

int Cp932Codec::CharLength(unsigned char lead)
{
    return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) ? 2 : 1;
}

std::string Cp932Codec::ToUtf8(std::string_view cp932)
{
    if (IsAscii(cp932))
        return std::string(cp932);
    std::string out;
    Cp932ToUtf8(cp932, out);
    return out;
}

std::string Cp932Codec::FromUtf8(std::string_view utf8)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    std::string out;
    Utf8ToCp932(utf8, out);
    return out;
}

bool Cp932Codec::RoundTrips(std::string_view utf8)
{
    return IsRepresentable(utf8) && ToUtf8(FromUtf8(utf8)) == utf8;
}

bool Cp932Codec::IsRepresentable(std::string_view utf8)
{
    if (IsAscii(utf8))
        return true;
    std::string out;
    return Utf8ToCp932(utf8, out) == 0;
}

size_t Cp932Codec::FirstInvalidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        if (p[i] >= 0x80 && DecodeUtf8(p + i, text.size() - i, &length) < 0)
            return i;
        i += length;
    }
    return std::string_view::npos;
}
