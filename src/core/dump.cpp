#include "dump.h"

#include "literals.h"
#include "regmap.h"

#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

// A dump of a whole chip is a few hundred kilobytes read at every paste and
// drop, so lines are taken apart byte by byte here rather than matched by
// expressions, and placing units on registers costs one sort, not a lookup
// per byte.

namespace dump {

namespace {

// The digit's value, -1 for any other byte.
constexpr std::array<qint8, 256> hex_digits = [] {
    std::array<qint8, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[size_t(c)] = c >= '0' && c <= '9'   ? qint8(c - '0')
                           : c >= 'a' && c <= 'f' ? qint8(c - 'a' + 10)
                           : c >= 'A' && c <= 'F' ? qint8(c - 'A' + 10)
                                                  : qint8(-1);
    return table;
}();

int hex_digit(uchar c) { return hex_digits[c]; }

bool is_space(uchar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// A view of one line, consumed from the front.
struct Cursor
{
    const char *at;
    const char *end;

    bool done() const { return at == end; }
    void skip_spaces()
    {
        while (at != end && is_space(uchar(*at)))
            ++at;
    }
    bool take(char c)
    {
        if (at == end || *at != c)
            return false;
        ++at;
        return true;
    }
    bool take_prefix()
    {
        if (end - at >= 2 && at[0] == '0' && (at[1] | 0x20) == 'x') {
            at += 2;
            return true;
        }
        return false;
    }
    // Hex digits up to 16; their count, 0 when there are none or too many.
    int take_hex(quint64 &value)
    {
        value = 0;
        int count = 0;
        for (int digit; at != end && (digit = hex_digit(uchar(*at))) >= 0; ++at) {
            if (++count > 16)
                return 0;
            value = value << 4 | quint64(digit);
        }
        return count;
    }
};

// A GDB symbol, "<GPIOA+16>"; C++ names nest angle brackets and hold spaces.
bool skip_symbol(Cursor &line)
{
    if (!line.take('<'))
        return true;
    for (int depth = 1; !line.done(); ++line.at) {
        if (*line.at == '<')
            ++depth;
        else if (*line.at == '>' && --depth == 0) {
            ++line.at;
            return true;
        }
    }
    return false;
}

// ADDRESS [<SYMBOL>] (: or =) NUMBER... [# COMMENT], all numbers of one
// digit count that gives the unit. Appends the units, or nothing when the
// line is not of this form.
bool memory_line(Cursor line, int number, QVector<Unit> &units)
{
    quint64 address = 0;
    line.take_prefix();
    if (line.take_hex(address) == 0)
        return false;
    line.skip_spaces();
    if (!skip_symbol(line))
        return false;
    line.skip_spaces();
    if (!line.take(':') && !line.take('='))
        return false;
    const int before = units.size();
    int digits = 0;
    for (;;) {
        line.skip_spaces();
        if (line.done() || *line.at == '#')
            break;
        line.take_prefix();
        quint64 value = 0;
        const int count = line.take_hex(value);
        const bool unit = count == 2 || count == 4 || count == 8 || count == 16;
        if (!unit || (digits != 0 && count != digits) ||
            (!line.done() && !is_space(uchar(*line.at)) && *line.at != '#')) {
            units.resize(before);
            return false;
        }
        digits = count;
        units.append({address, value, count / 2, number});
        address += quint64(count / 2);
    }
    return digits != 0;
}

// 0x and hex digits, ' or _ between them, up to 64 bits.
std::optional<quint64> wide_hex(QStringView text, bool prefixed)
{
    if (prefixed) {
        if (text.size() < 3 || text[0] != QLatin1Char('0') || text[1].toLower() != QLatin1Char('x'))
            return std::nullopt;
        text = text.mid(2);
    }
    quint64 value = 0;
    int significant = 0;
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text[i].unicode();
        if ((c == '_' || c == '\'') && i > 0 && i + 1 < text.size() &&
            hex_digit(uchar(text[i - 1].unicode())) >= 0 && text[i + 1].unicode() < 0x80 &&
            hex_digit(uchar(text[i + 1].unicode())) >= 0)
            continue;
        const int digit = c < 0x80 ? hex_digit(uchar(c)) : -1;
        if (digit < 0)
            return std::nullopt;
        if ((significant > 0 || digit > 0) && ++significant > 16)
            return std::nullopt;
        value = value << 4 | quint64(digit);
    }
    return text.isEmpty() ? std::nullopt : std::optional<quint64>(value);
}

// What Paste value reads (plain digits hex), and 64-bit hex besides, which
// 64-bit registers need and Paste value, made for 32 bits, refuses.
std::optional<quint64> name_value(QStringView text)
{
    if (const std::optional<quint64> hex = wide_hex(text, true))
        return hex;
    const literals::Reading reading = literals::read_literal(text, 16);
    if (reading.value)
        return *reading.value;
    return reading.too_wide ? wide_hex(text, false) : std::nullopt;
}

// Far beyond the full names of the deepest nested clusters of real chips.
constexpr int max_name_length = 1024;

// NAME = VALUE, NAME a register's full name (it has a dot).
bool name_line(Cursor line, int number, QVector<Named> &named)
{
    const char *start = line.at;
    bool dotted = false;
    while (!line.done() && !is_space(uchar(*line.at)) && *line.at != '=') {
        dotted = dotted || *line.at == '.';
        ++line.at;
    }
    const char *name_end = line.at;
    const uchar first = uchar(*start);
    if (!dotted || name_end - start > max_name_length ||
        !(first == '_' || ((first | 0x20) >= 'a' && (first | 0x20) <= 'z')))
        return false;
    line.skip_spaces();
    // No literal is longer than this; a log line of megabytes is not copied.
    if (!line.take('=') || line.end - line.at > literals::max_literal_length)
        return false;
    const QString value_text = QString::fromUtf8(line.at, int(line.end - line.at)).trimmed();
    const std::optional<quint64> value = name_value(value_text);
    if (!value)
        return false;
    named.append({QString::fromUtf8(start, int(name_end - start)), *value, number});
    return true;
}

// Names from a dump land in messages; one of a megabyte must not.
QString shown(const QString &name)
{
    return name.size() > 80 ? name.left(77) + QStringLiteral("...") : name;
}

QString address_text(quint64 address) { return regmap::hex(address, address >> 32 ? 64 : 32); }

// Eight digits, more where the value needs them: a name line's value may be
// wider than any register.
QString value_text(quint64 value)
{
    int bits = 32;
    while (bits < 64 && (value >> bits) != 0)
        bits += 4;
    return regmap::sized_hex(value, bits);
}

struct Noted
{
    int line;
    QString text;
};

QStringList in_line_order(QVector<Noted> &notes)
{
    std::stable_sort(notes.begin(), notes.end(),
                     [](const Noted &a, const Noted &b) { return a.line < b.line; });
    QStringList out;
    out.reserve(notes.size());
    for (Noted &note : notes)
        out.append(std::move(note.text));
    return out;
}

QString twice(int first, int second, const QString &what, const QString &a, const QString &b)
{
    return QStringLiteral("lines %1 and %2: %3 is given as %4 and %5; line %2 stands")
        .arg(QString::number(first), QString::number(second), what, a, b);
}

// The same address in one unit size, or the same name, with another value.
void find_repeats(Dump &dump)
{
    QVector<Noted> notes;
    const QVector<Unit> &units = dump.units;
    bool ascending = true;
    for (int i = 1; i < units.size() && ascending; ++i)
        ascending = units[i].address >= units[i - 1].address + quint64(units[i - 1].size);
    if (!ascending) {
        QVector<int> order(units.size());
        for (int i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&units](int a, int b) {
            return units[a].address != units[b].address ? units[a].address < units[b].address
                                                        : units[a].size < units[b].size;
        });
        for (int i = 1; i < order.size(); ++i) {
            const Unit &before = units[order[i - 1]], &unit = units[order[i]];
            if (unit.address == before.address && unit.size == before.size &&
                unit.value != before.value)
                notes.append({unit.line, twice(before.line, unit.line, address_text(unit.address),
                                               regmap::sized_hex(before.value, before.size * 8),
                                               regmap::sized_hex(unit.value, unit.size * 8))});
        }
    }
    if (dump.named.size() > 1) {
        QHash<QString, int> last;
        last.reserve(dump.named.size());
        for (int i = 0; i < dump.named.size(); ++i) {
            const Named &named = dump.named[i];
            int &index = last[named.name.toLower()];
            if (index > 0 && dump.named[index - 1].value != named.value)
                notes.append(
                    {named.line,
                     twice(dump.named[index - 1].line, named.line, shown(named.name),
                           value_text(dump.named[index - 1].value), value_text(named.value))});
            index = i + 1;
        }
    }
    dump.warnings += in_line_order(notes);
}

} // namespace

Dump read(const QByteArray &text)
{
    Dump dump;
    if (text.size() > max_size) {
        dump.error = QStringLiteral("it is larger than %1 MiB, far more than any capture of "
                                    "registers; refusing to read it")
                         .arg(max_size >> 20);
        return dump;
    }
    const char *at = text.constData();
    const char *const end = at + text.size();
    int number = 0;
    bool any = false;
    // About what a line of OpenOCD's mdw spends on a unit.
    dump.units.reserve(int(qMin(qint64(text.size() / 12), qint64(1) << 20)));
    while (at < end) {
        ++number;
        const char *newline = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)));
        const char *line_end = newline ? newline : end;
        Cursor line{at, line_end};
        at = newline ? newline + 1 : end;
        line.skip_spaces();
        if (line.done() || *line.at == '#')
            continue;
        // Memory lines, nearly all of a dump, find their comment themselves.
        if (memory_line(line, number, dump.units)) {
            any = true;
            continue;
        }
        if (const void *hash = std::memchr(line.at, '#', size_t(line.end - line.at)))
            line.end = static_cast<const char *>(hash);
        while (line.end != line.at && is_space(uchar(line.end[-1])))
            --line.end;
        if (name_line(line, number, dump.named)) {
            any = true;
            continue;
        }
        if (dump.skipped++ == 0)
            dump.first_skipped = number;
    }
    if (!any) {
        dump.error = text.trimmed().isEmpty()
                         ? QStringLiteral("it is empty")
                         : QStringLiteral("no line is a register dump (GDB x/x, OpenOCD mdw, "
                                          "J-Link mem32 or REGISTER = VALUE)");
        return dump;
    }
    find_repeats(dump);
    return dump;
}

Dump read(QIODevice *input, const QString &name)
{
    Dump dump;
    if (!input->isSequential() && input->size() > max_size) {
        dump.error = QStringLiteral("%1: it is larger than %2 MiB, far more than any capture of "
                                    "registers; refusing to read it")
                         .arg(name)
                         .arg(max_size >> 20);
        return dump;
    }
    // In pieces, so that a stream without end stops at the bound instead of
    // filling memory.
    QByteArray text;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = input->read(piece.data(), piece.size());
        if (got < 0) {
            dump.error = QStringLiteral("%1: %2").arg(name, input->errorString());
            return dump;
        }
        if (got == 0 && !input->waitForReadyRead(-1))
            break;
        text.append(piece.constData(), int(got));
        if (text.size() > max_size)
            break;
    }
    dump = read(text);
    if (!dump.error.isEmpty())
        dump.error = QStringLiteral("%1: %2").arg(name, dump.error);
    return dump;
}

Dump read_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Dump dump;
        dump.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return dump;
    }
    return read(&file, path);
}

Values cover(const svd::Device &device, const Dump &dump)
{
    Values out;
    const QVector<svd::Register> &registers = device.registers;
    out.values.resize(registers.size());
    QVector<Noted> notes;

    // Sorted by address, and by line within one address, so a later line's
    // bytes replace an earlier one's.
    QVector<Unit> units = dump.units;
    const auto by_address = [](const Unit &a, const Unit &b) { return a.address < b.address; };
    if (!std::is_sorted(units.cbegin(), units.cend(), by_address))
        std::stable_sort(units.begin(), units.end(), by_address);
    const bool big = device.big_endian;

    QVector<int> bytes_line(registers.size(), 0); // the last line whose bytes made the value
    const Unit *const first = units.cbegin(), *const last = units.cend();
    const Unit *hint = first; // where the register before was found
    for (int r = 0; r < registers.size(); ++r) {
        const svd::Register &reg = registers[r];
        if (reg.size < 1 || reg.size > 64)
            continue;
        const int count = (reg.size + 7) / 8;
        const quint64 low = reg.address, high = reg.address + quint64(count);
        if (high < low)
            continue;
        // Maps list most registers in address order, so the first unit at or
        // after this one is mostly a step or two past the last one's.
        const Unit *unit = hint;
        for (int step = 0; unit != last && unit->address < low && step < 4; ++step)
            ++unit;
        if (!((unit == last || unit->address >= low) &&
              (unit == first || (unit - 1)->address < low)))
            unit = std::lower_bound(first, last, Unit{low, 0, 0, 0}, by_address);
        hint = unit;
        if (unit != last && unit->address == low && unit->size == count &&
            (unit + 1 == last || (unit + 1)->address >= high) &&
            (unit == first || (unit - 1)->address + quint64((unit - 1)->size) <= low)) {
            // The common case: one unit, the register's own size, alone.
            out.values[r] = unit->value & (~quint64(0) >> (64 - reg.size));
            bytes_line[r] = unit->line;
            continue;
        }
        // No unit is wider than 8 bytes: none that starts further back reaches in.
        while (unit != first && (unit - 1)->address + 8 > low)
            --unit;
        quint8 bytes[8] = {};
        int lines[8] = {};
        for (; unit != last && unit->address < high; ++unit) {
            const quint64 from = qMax(unit->address, low);
            const quint64 to = qMin(unit->address + quint64(unit->size), high);
            for (quint64 at = from; at < to; ++at) {
                const int k = int(at - unit->address), j = int(at - low);
                const int shift = 8 * (big ? unit->size - 1 - k : k);
                if (unit->line >= lines[j]) {
                    bytes[j] = quint8(unit->value >> shift);
                    lines[j] = unit->line;
                }
            }
        }
        int present = 0, last = 0;
        quint64 value = 0;
        for (int j = 0; j < count; ++j) {
            present += lines[j] > 0;
            last = qMax(last, lines[j]);
            value |= quint64(bytes[j]) << (8 * (big ? count - 1 - j : j));
        }
        if (present == count) {
            out.values[r] = value & (~quint64(0) >> (64 - reg.size));
            bytes_line[r] = last;
        } else if (present > 0) {
            bytes_line[r] = -1; // partly
        }
    }

    if (!dump.named.isEmpty()) {
        QHash<QString, int> index;
        index.reserve(registers.size());
        for (int r = registers.size() - 1; r >= 0; --r)
            index.insert(registers[r].name.toLower(), r); // the first of two names stands
        QVector<int> named_line(registers.size(), 0);
        int unknown = 0;
        for (const Named &named : dump.named) {
            const int r = index.value(named.name.toLower(), -1);
            if (r < 0) {
                QString note = QStringLiteral("line %1: the map has no register %2")
                                   .arg(QString::number(named.line), shown(named.name));
                // A name or two is a slip worth a suggestion; a whole dump of
                // them is the wrong map.
                if (++unknown <= 3) {
                    QStringList near;
                    for (const int c : regmap::closest(device, named.name, 3))
                        near << registers[c].name;
                    if (!near.isEmpty())
                        note += QStringLiteral("; the closest: ") + near.join(QStringLiteral(", "));
                }
                notes.append({named.line, note});
                continue;
            }
            const svd::Register &reg = registers[r];
            if (reg.size < 1 || reg.size > 64 || (reg.size < 64 && named.value >> reg.size)) {
                notes.append(
                    {named.line, QStringLiteral("line %1: %2 does not fit the %3-bit "
                                                "register %4")
                                     .arg(QString::number(named.line), value_text(named.value),
                                          QString::number(reg.size), reg.name)});
                continue;
            }
            // A second name line for the register was told of by read().
            if (named_line[r] == 0 && bytes_line[r] > 0 && out.values[r] != named.value) {
                const bool later = named.line > bytes_line[r];
                notes.append({qMax(named.line, bytes_line[r]),
                              QStringLiteral("line %1: %2 is %3 but line %4's bytes make it %5; "
                                             "line %6 stands")
                                  .arg(QString::number(named.line), reg.name,
                                       regmap::sized_hex(named.value, reg.size),
                                       QString::number(bytes_line[r]),
                                       regmap::sized_hex(*out.values[r], reg.size),
                                       QString::number(later ? named.line : bytes_line[r]))});
                if (!later)
                    continue;
            }
            out.values[r] = named.value;
            named_line[r] = named.line;
            bytes_line[r] = qMax(bytes_line[r], 0); // no longer partly
        }
    }

    for (int r = 0; r < registers.size(); ++r) {
        if (out.values[r]) {
            ++out.covered;
        } else if (bytes_line[r] < 0) {
            if (out.partly++ == 0)
                out.first_partly = r;
        }
    }
    out.warnings = in_line_order(notes);
    return out;
}

QString name_lines(const svd::Device &device, const QVector<std::optional<quint64>> &values,
                   const QString &map_name, const QDateTime &time)
{
    QString text = QStringLiteral("# %1, %2\n").arg(map_name, time.toString(Qt::ISODate));
    const int count = qMin(device.registers.size(), values.size());
    QSet<QString> names;
    names.reserve(count);
    for (int r = 0; r < count; ++r) {
        const svd::Register &reg = device.registers[r];
        // A name line would give the value to the first register of the name,
        // which vendors' files do repeat; a unit of the register's own size
        // reads the same in either byte order.
        const QString name = reg.name.toLower();
        const bool repeated = names.contains(name);
        names.insert(name);
        if (!values[r])
            continue;
        const QString value = regmap::sized_hex(*values[r], reg.size);
        const int size = reg.size;
        if (repeated && (size == 8 || size == 16 || size == 32 || size == 64))
            text += QStringLiteral("0x%1: %2 # %3, a second register of that name\n")
                        .arg(QString::number(reg.address, 16), value.mid(2), reg.name);
        else
            text += QStringLiteral("%1 = %2\n").arg(reg.name, value);
    }
    return text;
}

} // namespace dump
