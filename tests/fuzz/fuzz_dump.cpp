// libFuzzer target for the register-dump reader. The input is a dump as it
// would be pasted or opened. Whatever the bytes, the reader either refuses
// them with an error and nothing read, or gives values that fit their
// registers, in either byte order, and that the name lines Save values
// writes read back unchanged.

#include "dump.h"
#include "svd.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

// Registers of each size, overlapping ones and one no unit size matches.
svd::Device make_map(bool big)
{
    QByteArray text(
        "<device><name>F</name><peripherals><peripheral><name>P</name>"
        "<baseAddress>0x40020000</baseAddress><registers>"
        "<register><name>W</name><addressOffset>0</addressOffset></register>"
        "<register><name>H</name><addressOffset>4</addressOffset><size>16</size></register>"
        "<register><name>B</name><addressOffset>7</addressOffset><size>8</size></register>"
        "<register><name>D</name><addressOffset>8</addressOffset><size>64</size></register>"
        "<register><name>O</name><addressOffset>0xA</addressOffset></register>"
        "<register><name>T</name><addressOffset>0x14</addressOffset><size>12</size></register>"
        "</registers></peripheral></peripherals></device>");
    QBuffer input(&text);
    input.open(QIODevice::ReadOnly);
    svd::Device device = svd::read(&input, QStringLiteral("f.svd")).device;
    check(device.registers.size() == 6);
    device.big_endian = big;
    return device;
}

bool told(const QStringList &warnings)
{
    for (const QString &warning : warnings) {
        if (!warning.startsWith(QLatin1String("line")))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const svd::Device maps[] = {make_map(false), make_map(true)};
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const dump::Dump dump = dump::read(bytes);
    if (!dump.error.isEmpty()) {
        check(dump.units.isEmpty() && dump.named.isEmpty() && dump.warnings.isEmpty());
        return 0;
    }
    check(told(dump.warnings));
    check(dump.skipped == 0 || dump.first_skipped > 0);
    for (const svd::Device &map : maps) {
        const dump::Values values = dump::cover(map, dump);
        check(values.values.size() == map.registers.size() && told(values.warnings));
        int covered = 0;
        for (int r = 0; r < map.registers.size(); ++r) {
            const int bits = map.registers[r].size;
            if (values.values[r]) {
                ++covered;
                check(bits == 64 || (*values.values[r] >> bits) == 0);
            }
        }
        check(covered == values.covered && covered + values.partly <= map.registers.size());
        check(values.partly == 0 || !values.values[values.first_partly]);
        const QString saved = dump::name_lines(map, values.values, QStringLiteral("f"), {});
        const dump::Dump again = dump::read(saved.toUtf8());
        check(values.covered == 0 || again.warnings.isEmpty());
        check(values.covered == 0 || dump::cover(map, again).values == values.values);
    }
    return 0;
}
