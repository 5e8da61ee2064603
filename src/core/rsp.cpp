// The remote protocol's packets, byte by byte.
#include "rsp.h"

#include <QList>

namespace rsp {

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

quint8 checksum(const QByteArray &bytes)
{
    quint8 sum = 0;
    for (const char c : bytes)
        sum = quint8(sum + quint8(c));
    return sum;
}

QByteArray frame(const QByteArray &payload)
{
    QByteArray body;
    body.reserve(payload.size() + 8);
    for (const char c : payload) {
        if (c == '$' || c == '#' || c == '}' || c == '*') {
            body += '}';
            body += char(c ^ 0x20);
        } else {
            body += c;
        }
    }
    return '$' + body + '#' + QByteArray::number(checksum(body) | 0x100, 16).mid(1);
}

QByteArray hex(const QByteArray &bytes) { return bytes.toHex(); }

std::optional<QByteArray> unhex(const QByteArray &text)
{
    if (text.size() % 2)
        return std::nullopt;
    QByteArray bytes(text.size() / 2, '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        const int high = hex_digit(text[2 * i]);
        const int low = hex_digit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = char(high << 4 | low);
    }
    return bytes;
}

std::optional<QByteArray> decode(const QByteArray &raw, int limit)
{
    QByteArray out;
    for (int i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '}') {
            if (++i == raw.size())
                return std::nullopt;
            out += char(raw[i] ^ 0x20);
        } else if (c == '*') {
            // X*N repeats X N - 29 more times; the protocol keeps N printable
            // and never # or $, which would end or restart the packet.
            if (out.isEmpty() || ++i == raw.size())
                return std::nullopt;
            const int n = quint8(raw[i]);
            if (n < 32 || n > 126 || n == '#' || n == '$')
                return std::nullopt;
            if (out.size() + n - 29 > limit)
                return std::nullopt;
            out.append(n - 29, out.back());
        } else {
            out += c;
        }
        if (out.size() > limit)
            return std::nullopt;
    }
    return out;
}

void Reader::reset()
{
    state = State::Between;
    raw.clear();
    stray = 0;
}

void Reader::feed(const char *data, qsizetype size, QVector<Event> &events)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        switch (state) {
        case State::Skip:
            break;
        case State::Between:
            if (c == '+' || c == '-') {
                events.append({c == '+' ? Event::Ack : Event::Nack, QByteArray()});
            } else if (c == '$' || c == '%') {
                notification = c == '%';
                raw.clear();
                state = State::Body;
            } else if (++stray > max_stray) {
                events.append({Event::Garbage, QByteArray()});
                state = State::Skip;
            }
            break;
        case State::Body:
            if (c == '#') {
                state = State::Sum1;
            } else if (raw.size() == max_payload) {
                events.append({Event::TooLong, QByteArray()});
                raw.clear();
                state = State::Skip;
            } else {
                raw += c;
            }
            break;
        case State::Sum1:
            sum_high = hex_digit(c);
            state = State::Sum2;
            break;
        case State::Sum2: {
            const int low = hex_digit(c);
            state = State::Between;
            stray = 0;
            if (sum_high < 0 || low < 0 || (sum_high << 4 | low) != checksum(raw)) {
                events.append({Event::BadChecksum, QByteArray()});
                break;
            }
            const std::optional<QByteArray> payload = decode(raw);
            if (!payload)
                events.append({Event::Malformed, QByteArray()});
            else
                events.append({notification ? Event::Notification : Event::Packet, *payload});
            raw.clear();
            break;
        }
        }
    }
}

Supported parse_supported(const QByteArray &reply)
{
    Supported supported;
    for (const QByteArray &feature : reply.split(';')) {
        if (feature.startsWith("PacketSize=")) {
            bool ok = false;
            const int size = feature.mid(11).toInt(&ok, 16);
            if (ok && size > 0)
                supported.packet_size = size;
        } else if (feature == "QStartNoAckMode+") {
            supported.no_ack = true;
        }
    }
    return supported;
}

bool is_stop_reply(const QByteArray &payload)
{
    if (payload.size() < 3)
        return false;
    const char kind = payload[0];
    return (kind == 'S' || kind == 'T' || kind == 'W' || kind == 'X') &&
           hex_digit(payload[1]) >= 0 && hex_digit(payload[2]) >= 0;
}

std::optional<int> error_code(const QByteArray &payload)
{
    if (payload.size() != 3 || payload[0] != 'E')
        return std::nullopt;
    const int high = hex_digit(payload[1]);
    const int low = hex_digit(payload[2]);
    if (high < 0 || low < 0)
        return std::nullopt;
    return high << 4 | low;
}

} // namespace rsp
