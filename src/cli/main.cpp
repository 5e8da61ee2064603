// tarnwick-cli: the engine in a terminal. A value in every notation with its
// facts, the registers of a CMSIS-SVD file, and one register's fields for a
// value, as a table for a person or as JSON for scripts. QtCore only, so it
// starts at once and runs where there is no display.
//
// Results go to standard output, messages to standard error. Exit codes:
// 0 it worked; 1 no such register or field, a value that is not a number or
// does not fit, or a dump that cannot be read or covers no register; 2 a
// file that cannot be read as SVD.
#include "dumps.h"
#include "literals.h"
#include "output.h"
#include "regmap.h"
#include "regmath.h"
#include "svd.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace cli;

namespace {

// "-1" is what a C programmer types for all ones, and the option parser
// takes it for an option; either way it deserves an answer of its own.
bool is_negative(const QString &text)
{
    const QString trimmed = text.trimmed();
    return trimmed.size() > 1 && trimmed[0] == QLatin1Char('-') && trimmed[1].isDigit();
}

int refuse_negative(const QString &text)
{
    return fail(BadInput, QStringLiteral("%1 is not a value for a register: register values are "
                                         "unsigned; give the bits, such as 0xFFFFFFFF")
                              .arg(text.trimmed()));
}

// " (read as 0x255)" where plain decimal digits were read as hex, which is
// the surprise behind most values that do not fit, with the way to write
// the decimal number where that one would fit in `width` bits.
QString reading_note(const QString &text, int width)
{
    static const QRegularExpression decimal(QStringLiteral("\\A[0-9]+\\z"));
    const QString trimmed = text.trimmed();
    if (!decimal.match(trimmed).hasMatch() || trimmed.size() == 32)
        return QString();
    const std::optional<quint32> as_decimal = literals::read_literal(trimmed, 10).value;
    const bool fits = as_decimal && (width >= 32 || (*as_decimal >> width) == 0);
    return fits ? QStringLiteral(" (read as 0x%1; 0d%1 is decimal)").arg(trimmed)
                : QStringLiteral(" (read as 0x%1)").arg(trimmed);
}

// VALUE as if pasted into the hexadecimal field, and 0d before decimal
// digits, since plain ones are hex. `wider` follows the message of a value
// beyond 32 bits.
std::optional<quint32> read_value(const QString &text, int &code, const QString &wider = QString())
{
    if (is_negative(text)) {
        code = refuse_negative(text);
        return std::nullopt;
    }
    static const QRegularExpression decimal_prefix(QStringLiteral("\\A\\s*0d(.+)\\z"),
                                                   QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch decimal = decimal_prefix.match(text);
    const literals::Reading reading = decimal.hasMatch()
                                          ? literals::read_literal(decimal.captured(1), 10)
                                          : literals::read_literal(text, 16);
    if (reading.value)
        return reading.value;
    code = fail(BadInput, reading.too_wide ? QStringLiteral("%1%2 does not fit in 32 bits%3")
                                                 .arg(text.trimmed(), reading_note(text, 32), wider)
                                           : QStringLiteral("\"%1\" is not a number").arg(text));
    return std::nullopt;
}

int show_value(const QString &text)
{
    int code = Ok;
    const std::optional<quint32> value = read_value(text, code);
    if (!value)
        return code;
    QVector<QStringList> rows = {
        {QStringLiteral("hex:"), literals::c_hex(*value)},
        {QStringLiteral("C++:"), literals::c_hex_separated(*value)},
        {QStringLiteral("Verilog:"), literals::verilog(*value)},
        {QStringLiteral("decimal:"), literals::decimal(*value)},
        {QStringLiteral("octal:"), QStringLiteral("0o") + QString::number(*value, 8)},
        {QStringLiteral("binary:"), regmath::grouped_binary(*value)},
    };
    for (const QString &fact : literals::facts(*value).split(QLatin1Char('\n'))) {
        const int colon = fact.indexOf(QLatin1Char(':'));
        rows.append({fact.left(colon + 1), fact.mid(colon + 1).trimmed()});
    }
    print(table(rows));
    return Ok;
}

// ": GPIOA is a peripheral; try --list 'GPIOA.*'" where `name` is the name
// of a peripheral or cluster; empty otherwise.
QString group_hint(const svd::Device &device, const QString &name)
{
    const QString inside = name + QLatin1Char('.');
    const bool holds_registers =
        std::any_of(device.registers.begin(), device.registers.end(), [&](const svd::Register &r) {
            return r.name.startsWith(inside, Qt::CaseInsensitive);
        });
    if (!holds_registers)
        return QString();
    return QStringLiteral(": %1 is a %2; try --list '%1.*'")
        .arg(name, name.contains(QLatin1Char('.')) ? QStringLiteral("cluster")
                                                   : QStringLiteral("peripheral"));
}

int list(const svd::Device &device, const QString &file, const QString &pattern, bool json)
{
    // A map without registers is listed in full by nothing: no mistake of
    // the pattern's.
    if (device.registers.isEmpty()) {
        print(json ? QStringLiteral("[]\n") : QStringLiteral("%1 has no registers\n").arg(file));
        return Ok;
    }
    // The listing is the view of the whole file, so it tells the mistakes of
    // its peripherals and clusters, and those of the registers it lists (two
    // registers of one name among them), each once and in line order.
    QStringList warnings = device.warnings;
    QStringList objects;
    QVector<QStringList> rows = {{QStringLiteral("register"), QStringLiteral("address"),
                                  QStringLiteral("size"), QStringLiteral("reset"),
                                  QStringLiteral("access")}};
    for (const int index : regmap::matching(device, pattern)) {
        const svd::Register &reg = device.registers[index];
        objects << QStringLiteral("  {%1}").arg(json_register(reg));
        rows.append({reg.name, address_text(reg.address), QString::number(reg.size),
                     regmap::sized_hex(reg.reset_value, reg.size),
                     access_or_dash(svd::access_name(reg.access))});
        warnings += reg.warnings;
    }
    warnings.removeDuplicates();
    svd::sort_by_line(warnings);
    warn(file, warnings);
    if (json)
        print(objects.isEmpty()
                  ? QStringLiteral("[]\n")
                  : QStringLiteral("[\n%1\n]\n").arg(objects.join(QStringLiteral(",\n"))));
    else if (!objects.isEmpty())
        print(table(rows));
    return objects.isEmpty()
               ? fail(BadInput, QStringLiteral("no register matches %1%2")
                                    .arg(pattern, group_hint(device, pattern.trimmed())))
               : Ok;
}

int find_field(const svd::Register &reg, QStringView name)
{
    for (int i = 0; i < reg.fields.size(); ++i) {
        if (name.compare(reg.fields[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Why `text` sets no value of the field, and what does.
QString unwritable(const svd::Field &field, const QString &text)
{
    const QString name = text.trimmed();
    const auto named = std::find_if(field.values.begin(), field.values.end(),
                                    [&name](const svd::EnumValue &value) {
                                        return name.compare(value.name, Qt::CaseInsensitive) == 0;
                                    });
    QString why = QStringLiteral("\"%1\" is neither a number nor a value of %2");
    if (named != field.values.end() && named->is_default)
        why = QStringLiteral("\"%1\" names the values of %2 that have no name of their own, "
                             "not one to write");
    else if (named != field.values.end())
        why = QStringLiteral("\"%1\" is what %2 reads as, not a value to write");
    QStringList names;
    for (const svd::EnumValue *choice : regmap::write_choices(field))
        names << choice->name;
    return why.arg(text, field.name) +
           QStringLiteral("; it is written as %1a number")
               .arg(names.isEmpty() ? QString() : names.join(QStringLiteral(", ")) + " or ");
}

// FIELD=X, applied to `value` in order.
int assign(const svd::Register &reg, const QStringList &assignments, quint64 &value)
{
    QVector<int> done;
    for (const QString &assignment : assignments) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(equals).trimmed();
        const QString text = assignment.mid(equals + 1);
        const int index = find_field(reg, name);
        if (index < 0)
            return fail(BadInput, QStringLiteral("%1 has no field %2").arg(reg.name, name));
        const svd::Field &field = reg.fields[index];
        // The second of two would silently undo the first: a slip, not a plan.
        if (done.contains(index))
            return fail(BadInput, QStringLiteral("%1 is set twice").arg(field.name));
        done.append(index);
        // Its bits beyond the register would make a value the register
        // cannot hold.
        if (field.msb >= reg.size)
            return fail(BadInput, QStringLiteral("%1 %2 reaches past the %3-bit register %4, so it "
                                                 "cannot be set")
                                      .arg(field.name, regmap::bits(field.msb, field.lsb),
                                           QString::number(reg.size), reg.name));
        const std::optional<quint64> field_value = regmap::parse_field_value(field, text);
        if (!field_value)
            return fail(BadInput, unwritable(field, text));
        const std::optional<quint64> placed = regmap::with_field(field, value, *field_value);
        if (!placed)
            return fail(BadInput, QStringLiteral("%1 does not fit the %2-bit field %3")
                                      .arg(text, QString::number(field.width()), field.name));
        value = *placed;
        if (reg.access_of(field) == svd::Access::ReadOnly)
            fail(Ok, QStringLiteral("%1 is read-only: writing it changes nothing").arg(field.name));
    }
    return Ok;
}

// What `name`, which names no register, is instead, and what to try.
QString no_register(const svd::Device &device, const QString &file, const QString &name)
{
    const QString wanted = name.trimmed();
    const QString text = QStringLiteral("%1 has no register %2").arg(file, wanted);
    if (const QString hint = group_hint(device, wanted); !hint.isEmpty())
        return text + hint;
    const int dot = wanted.lastIndexOf(QLatin1Char('.'));
    const int owner = dot > 0 ? regmap::find_register(device, wanted.left(dot)) : -1;
    if (owner >= 0 && find_field(device.registers[owner], wanted.mid(dot + 1)) >= 0)
        return text + QStringLiteral(": %1 is a field of %2; try %2 %1=X")
                          .arg(wanted.mid(dot + 1), device.registers[owner].name);
    QStringList names;
    for (const int index : regmap::closest(device, wanted, 5))
        names << device.registers[index].name;
    return names.isEmpty() ? text
                           : text + QStringLiteral("; the closest: %1").arg(names.join(", "));
}

int show_register(const svd::Device &device, const QString &file, const QStringList &arguments,
                  bool json)
{
    const int index = regmap::find_register(device, arguments.first());
    if (index < 0)
        return fail(BadInput, no_register(device, file, arguments.first()));
    const svd::Register &reg = device.registers[index];
    warn(file, reg.warnings);
    // The file states no more than 64 bits of a reset value.
    if (reg.size > 64)
        return fail(BadInput, QStringLiteral("%1 is a %2-bit register; tarnwick-cli shows up to "
                                             "64 bits")
                                  .arg(reg.name, QString::number(reg.size)));

    QStringList assignments;
    std::optional<quint64> value;
    for (const QString &argument : arguments.mid(1)) {
        if (argument.contains(QLatin1Char('='))) {
            assignments << argument;
            continue;
        }
        if (value || !assignments.isEmpty())
            return fail(BadInput,
                        QStringLiteral("one VALUE, before any FIELD=X: \"%1\"").arg(argument));
        int code = Ok;
        // The engine's values are 32 bits; a field still reaches the rest.
        const std::optional<quint32> read = read_value(
            argument, code,
            reg.size > 32
                ? QStringLiteral("; set the upper bits of %1 by field, FIELD=X").arg(reg.name)
                : QString());
        if (!read)
            return code;
        if (reg.size < 32 && (*read >> reg.size) != 0)
            return fail(BadInput, QStringLiteral("%1%2 does not fit the %3-bit register %4")
                                      .arg(argument.trimmed(), reading_note(argument, reg.size),
                                           QString::number(reg.size), reg.name));
        value = *read;
    }
    quint64 shown = value.value_or(reg.reset_value);
    if (const int code = assign(reg, assignments, shown))
        return code;
    print(json ? decoded_json(reg, shown) : decoded_text(reg, shown));
    return Ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnwick-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A 32-bit register value in every notation, and decoded into the named "
        "fields of a register of a CMSIS-SVD file.\n\n"
        "  tarnwick-cli VALUE                          all forms and facts\n"
        "  tarnwick-cli --svd FILE --list [PATTERN]    the registers of FILE\n"
        "  tarnwick-cli --svd FILE REGISTER [VALUE]    REGISTER's fields\n"
        "  tarnwick-cli --svd FILE REGISTER [VALUE] FIELD=X...\n"
        "                                              VALUE with fields set\n"
        "  tarnwick-cli --svd FILE --dump DUMP [PATTERN] [--changed]\n"
        "                                              the registers DUMP covers\n"
        "  tarnwick-cli --svd FILE --diff OLD NEW [PATTERN]\n"
        "                                              the registers that changed\n\n"
        "VALUE is any literal Paste value reads (plain digits are hex, 0d255 "
        "is decimal) and defaults to the register's reset value. REGISTER and "
        "FIELD ignore case; X is a number (plain digits are decimal) or the name "
        "of one of the field's values. DUMP, OLD and NEW are what GDB's x/x, OpenOCD's "
        "mdw, J-Link's mem32 or lines of REGISTER = VALUE printed, in a file or - for "
        "standard input. Exit codes: 0 done, 1 bad register, field or value, or a dump "
        "that is unreadable or covers no register, 2 a file that is not readable SVD."));
    const QCommandLineOption help_option = parser.addHelpOption();
    const QCommandLineOption version_option = parser.addVersionOption();
    const QCommandLineOption svd_option(
        QStringLiteral("svd"), QStringLiteral("The register map to read."), QStringLiteral("FILE"));
    const QCommandLineOption list_option(
        QStringLiteral("list"),
        QStringLiteral("List the registers whose full name matches PATTERN (a shell wildcard; "
                       "brackets also match themselves, as in 'TIM.CH[0].*')."));
    const QCommandLineOption json_option(QStringLiteral("json"),
                                         QStringLiteral("Write JSON instead of a table."));
    const QCommandLineOption dump_option(
        QStringLiteral("dump"),
        QStringLiteral("Decode every register of FILE matching PATTERN that DUMP covers."),
        QStringLiteral("DUMP"));
    const QCommandLineOption changed_option(
        QStringLiteral("changed"),
        QStringLiteral("With --dump, only the registers whose value is not their reset value."));
    const QCommandLineOption diff_option(
        QStringLiteral("diff"),
        QStringLiteral("The registers matching PATTERN whose values differ from OLD to NEW, and "
                       "their fields that changed."),
        QStringLiteral("OLD"));
    parser.addOptions(
        {svd_option, list_option, json_option, dump_option, changed_option, diff_option});
    parser.addPositionalArgument(QStringLiteral("arguments"),
                                 QStringLiteral("VALUE, or [PATTERN], or REGISTER [VALUE] "
                                                "[FIELD=X...], or with --diff NEW [PATTERN]"),
                                 QStringLiteral("[arguments...]"));
    // Qt's own --help and --version show a message box on Windows when it
    // sees no console, and under Wine or a service there is none; a console
    // program answers on standard output everywhere.
    if (!parser.parse(app.arguments())) {
        const QStringList given = app.arguments().mid(1);
        const auto negative = std::find_if(given.begin(), given.end(), is_negative);
        return negative != given.end() ? refuse_negative(*negative)
                                       : fail(BadInput, parser.errorText());
    }
    if (parser.isSet(help_option) || parser.isSet(QStringLiteral("help-all"))) {
        print(parser.helpText());
        return Ok;
    }
    if (parser.isSet(version_option)) {
        print(QStringLiteral("%1 %2\n").arg(app.applicationName(), app.applicationVersion()));
        return Ok;
    }

    const QStringList arguments = parser.positionalArguments();
    if (!parser.isSet(svd_option)) {
        if (parser.isSet(list_option) || parser.isSet(json_option) || parser.isSet(dump_option) ||
            parser.isSet(diff_option))
            return fail(BadInput,
                        QStringLiteral("--list, --dump, --diff and --json read a map: give --svd "
                                       "FILE"));
        if (arguments.size() != 1)
            return fail(BadInput, QStringLiteral("give one VALUE, or --svd FILE (see --help)"));
        return show_value(arguments.first());
    }

    // The last of two would win unseen, and the other map's registers would
    // be missing without a word.
    if (parser.values(svd_option).size() > 1)
        return fail(BadInput, QStringLiteral("--svd is given twice: one map at a time"));
    const QString file = parser.value(svd_option);
    if (file.isEmpty())
        return fail(BadFile, QStringLiteral("--svd names no file"));
    const svd::Reading reading = svd::read_file(file);
    if (!reading.error.isEmpty())
        return fail(BadFile, reading.error);
    const bool json = parser.isSet(json_option);
    const int modes =
        parser.isSet(list_option) + parser.isSet(dump_option) + parser.isSet(diff_option);
    if (modes > 1 || parser.values(dump_option).size() > 1 || parser.values(diff_option).size() > 1)
        return fail(BadInput, QStringLiteral("one of --list, --dump DUMP and --diff OLD NEW"));
    if (parser.isSet(changed_option) && !parser.isSet(dump_option))
        return fail(BadInput, QStringLiteral("--changed goes with --dump"));
    if (parser.isSet(dump_option)) {
        if (arguments.size() > 1)
            return fail(BadInput, QStringLiteral("--dump takes one PATTERN"));
        return show_dump(reading.device, file, parser.value(dump_option), arguments.value(0),
                         parser.isSet(changed_option), json);
    }
    if (parser.isSet(diff_option)) {
        if (arguments.isEmpty() || arguments.size() > 2)
            return fail(BadInput, QStringLiteral("--diff takes OLD NEW [PATTERN]"));
        // Standard input is read once.
        if (parser.value(diff_option) == QLatin1String("-") && arguments.first() == "-")
            return fail(BadInput, QStringLiteral("- for one of OLD and NEW, not both"));
        return show_diff(reading.device, file, parser.value(diff_option), arguments.first(),
                         arguments.value(1), json);
    }
    if (parser.isSet(list_option)) {
        if (arguments.size() > 1)
            return fail(BadInput, QStringLiteral("--list takes one PATTERN"));
        return list(reading.device, file, arguments.value(0), json);
    }
    if (arguments.isEmpty())
        return fail(BadInput, QStringLiteral("give a REGISTER, or --list (see --help)"));
    return show_register(reading.device, file, arguments, json);
}