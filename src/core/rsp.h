// The GDB remote serial protocol's packets, apart from any connection:
// framing ($payload#checksum), the escapes and run-length encoding a server
// may use, hex, and the few replies the client has to understand. Every
// debug probe's server speaks it. QtCore only, and no state beyond the
// bytes of one unfinished packet, so it can be fuzzed on its own.
#pragma once

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

#include <optional>

namespace rsp {

// The longest packet body accepted from a server, escapes included. Replies
// to register reads are a few bytes and qSupported's a few hundred; a server
// that sends more is broken or hostile, and it costs no more than this.
constexpr int max_payload = 4096;
// Bytes outside any packet that are tolerated before the stream is taken
// for garbage (a server may send a stray newline or an interrupt byte).
constexpr int max_stray = 16;

// The modulo-256 sum of the bytes, as the protocol checks them.
quint8 checksum(const QByteArray &bytes);
// "$payload#cs", with $ # } * escaped so that no byte of the payload can end
// or restart the packet.
QByteArray frame(const QByteArray &payload);

// Lower-case hex of the bytes, and the bytes of such a text; nothing for an
// odd length or a digit that is none.
QByteArray hex(const QByteArray &bytes);
std::optional<QByteArray> unhex(const QByteArray &text);

// A packet body as it came: escapes and run-length encoding undone. Nothing
// when it is malformed (an escape or repeat with nothing to act on, a repeat
// count outside the protocol's range) or would decode past `limit` bytes.
std::optional<QByteArray> decode(const QByteArray &raw, int limit = max_payload);

// What the bytes from a server amount to.
struct Event
{
    enum Kind {
        Ack,          // +
        Nack,         // -: the server wants our last packet again
        Packet,       // payload decoded
        Notification, // %...: asynchronous, used by non-stop mode only
        BadChecksum,  // a whole packet whose sum is wrong
        Malformed,    // a packet whose body does not decode
        TooLong,      // a packet longer than max_payload
        Garbage       // more than max_stray bytes outside any packet
    };
    Kind kind;
    QByteArray payload;
};

// Splits the byte stream into events. Memory is bounded by max_payload
// whatever arrives; after TooLong or Garbage the stream is out of step and
// the caller should drop the connection.
class Reader
{
public:
    void feed(const char *data, qsizetype size, QVector<Event> &events);
    void feed(const QByteArray &bytes, QVector<Event> &events)
    {
        feed(bytes.constData(), bytes.size(), events);
    }
    // Whether a packet has begun and not ended: the server is mid-reply.
    bool in_packet() const { return state != State::Between; }
    void reset();

private:
    enum class State { Between, Body, Sum1, Sum2, Skip };
    State state = State::Between;
    bool notification = false;
    QByteArray raw;
    int sum_high = 0;
    int stray = 0;
};

// The features a server states in its reply to qSupported.
struct Supported
{
    int packet_size = 0; // PacketSize, 0 when not stated
    bool no_ack = false; // QStartNoAckMode+
};
Supported parse_supported(const QByteArray &reply);

// A stop reply (S, T, W, X): the target has halted, or has ended.
bool is_stop_reply(const QByteArray &payload);
// The NN of an "ENN" error reply; nothing for any other reply.
std::optional<int> error_code(const QByteArray &payload);

} // namespace rsp
