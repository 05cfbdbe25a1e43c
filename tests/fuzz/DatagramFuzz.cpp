// Any bytes as a received datagram; malformed ones are refused. What parses must format back to a wire
// text that parses to the same record, and the kind read alone must be the
// kind the whole parse finds.
#include "net/DatagramFormat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Fail(const char* what)
{
    std::fprintf(stderr, "datagram property failed: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<Datagram> parsed = DatagramFormat::Parse(bytes);
    if (!parsed)
        return 0;
    const Datagram& datagram = *parsed;
    if (DatagramFormat::Kind(bytes) != datagram.kind)
        Fail("Kind differs from Parse");

    const std::string wire = DatagramFormat::Format(datagram.sender, datagram.kind, datagram.text);
    const std::optional<Datagram> reparsed = DatagramFormat::Parse(wire);
    if (!reparsed)
        Fail("a formatted datagram does not parse");
    const Datagram& again = *reparsed;
    if (again.kind != datagram.kind)
        Fail("kind changed by a round trip");
    if (std::memcmp(&again.sender, &datagram.sender, sizeof(PeerRecord)) != 0)
        Fail("sender changed by a round trip");
    if (again.text != datagram.text)
        Fail("text changed by a round trip");
    return 0;
}
