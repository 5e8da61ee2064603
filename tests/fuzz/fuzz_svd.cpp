// libFuzzer target for the CMSIS-SVD reader and the field logic its views
// share. The input is a register map as it would arrive from a file. Whatever
// the bytes, the reader either refuses them with an error that names the
// file and keeps nothing, or hands over registers the views can lay out:
// rows most significant first, each field in one row, every bit of the
// register in some row and the bits no field covers in reserved rows of
// their own; and each field readable and writable without touching its
// neighbours.

#include "regmap.h"
#include "svd.h"

#include <QBuffer>
#include <QByteArray>
#include <QVector>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

bool warnings_have_lines(const QStringList &warnings)
{
    for (const QString &warning : warnings) {
        if (!warning.startsWith(QLatin1String("line ")))
            return false;
    }
    return true;
}

void check_field(const svd::Field &field)
{
    check(field.lsb >= 0 && field.msb >= field.lsb);
    for (quint64 value : {quint64(0), ~quint64(0), quint64(0xA5A5A5A5C3C3C3C3)}) {
        const quint64 own = regmap::field_value(field, value);
        check(own <= regmap::field_max(field));
        check(regmap::with_field(field, value, own) == value);
        // Writing the field leaves every other bit as it was.
        if (const std::optional<quint64> written =
                regmap::with_field(field, value, ~own & regmap::field_max(field)))
            check(regmap::with_field(field, *written, own) == value);
        if (const svd::EnumValue *name = regmap::read_name(field, own))
            check(name >= field.values.constData() &&
                  name < field.values.constData() + field.values.size());
    }
}

void check_register(const svd::Register &reg)
{
    check(reg.size >= 1);
    check(warnings_have_lines(reg.warnings));
    for (const svd::Field &field : reg.fields)
        check_field(field);

    const QVector<regmap::Row> rows = regmap::layout(reg);
    std::vector<int> rows_of_field(size_t(reg.fields.size()), 0);
    std::vector<char> reserved(size_t(reg.size), 0), covered(size_t(reg.size), 0);
    for (int i = 0; i < rows.size(); ++i) {
        const regmap::Row &row = rows[i];
        check(row.lsb >= 0 && row.msb >= row.lsb);
        check(i == 0 || rows[i - 1].msb >= row.msb);
        check(row.field >= -1 && row.field < reg.fields.size());
        if (row.field >= 0) {
            const svd::Field &field = reg.fields[row.field];
            check(row.msb == field.msb && row.lsb == field.lsb);
            ++rows_of_field[size_t(row.field)];
        } else {
            check(row.msb < reg.size);
        }
        for (int bit = row.lsb; bit <= qMin(row.msb, reg.size - 1); ++bit) {
            // A reserved row holds bits that nothing else covers.
            check(!reserved[size_t(bit)] && (row.field >= 0 || !covered[size_t(bit)]));
            covered[size_t(bit)] = 1;
            reserved[size_t(bit)] = row.field < 0;
        }
    }
    for (int count : rows_of_field)
        check(count == 1);
    for (char bit : covered)
        check(bit != 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    const QString file_name = QStringLiteral("fuzz%1.svd"); // a % must survive the messages
    const svd::Reading reading = svd::read(&input, file_name);
    const svd::Device &device = reading.device;
    if (!reading.error.isEmpty()) {
        check(reading.error.startsWith(file_name + QLatin1Char(':')));
        check(device.name.isEmpty() && device.registers.isEmpty() && device.warnings.isEmpty());
        return 0;
    }
    check(warnings_have_lines(device.warnings));
    // A small file can expand to a quarter of a million registers of
    // thousands of fields each; the checks stop at a budget of fields and
    // bits that keeps every input quick.
    qint64 budget = 1 << 18;
    for (int i = 0; i < device.registers.size() && budget > 0; ++i) {
        check_register(device.registers[i]);
        budget -= device.registers[i].fields.size() + device.registers[i].size;
    }
    return 0;
}
