// libFuzzer target for the remote protocol's packet layer: the bytes are
// what a GDB server sends. Whatever they are, the reader keeps no more
// than one packet's worth, every packet it hands over is within the limit
// and frames back into bytes that read as the same packet, and the reply
// parsers never fail on what it hands over.
#include "rsp.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    rsp::Reader reader;
    QVector<rsp::Event> events;
    // In two pieces split where the first byte says, as TCP may deliver them.
    const size_t split = size ? data[0] % (size + 1) : 0;
    reader.feed(reinterpret_cast<const char *>(data), qsizetype(split), events);
    reader.feed(reinterpret_cast<const char *>(data) + split, qsizetype(size - split), events);
    check(events.size() <= qsizetype(size));
    for (const rsp::Event &event : events) {
        check(event.payload.size() <= rsp::max_payload);
        if (event.kind != rsp::Event::Packet)
            continue;
        rsp::Reader again;
        QVector<rsp::Event> round;
        again.feed(rsp::frame(event.payload), round);
        check(round.size() == 1 && round[0].kind == rsp::Event::Packet &&
              round[0].payload == event.payload);
        rsp::parse_supported(event.payload);
        rsp::is_stop_reply(event.payload);
        if (const std::optional<QByteArray> bytes = rsp::unhex(event.payload))
            check(rsp::hex(*bytes) == event.payload.toLower());
        rsp::error_code(event.payload);
    }
    const QByteArray raw(reinterpret_cast<const char *>(data), int(size));
    if (const std::optional<QByteArray> decoded = rsp::decode(raw))
        check(decoded->size() <= rsp::max_payload);
    return 0;
}
