#include "Cp932Codec.h"

#include <cerrno>
#include <iconv.h>

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
    Convert(ToUtf8Handle(), cp932, out, Cp932BadSequenceLength);
    return out;
}

std::string Cp932Codec::FromUtf8(std::string_view utf8)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    std::string out;
    Convert(FromUtf8Handle(), utf8, out, Utf8BadSequenceLength);
    return out;
}

bool Cp932Codec::IsRepresentable(std::string_view utf8)
{
    if (IsAscii(utf8))
        return true;
    std::string out;
    return Convert(FromUtf8Handle(), utf8, out, Utf8BadSequenceLength) == 0;
}
