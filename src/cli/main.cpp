// tarnwick-cli: the engine in a terminal. A value in every notation with its
// facts, the registers of a CMSIS-SVD file, and one register's fields for a
// value, as a table for a person or as JSON for scripts, and registers of a
// live chip through a GDB server. QtCore and QtNetwork only, so it starts at
// once and runs where there is no display.
//
// Results go to standard output, messages to standard error. Exit codes:
// 0 it worked; 1 no such register or field, a value that is not a number or
// does not fit, or a dump that cannot be read or covers no register; 2 a
// file that cannot be read as SVD; 3 what a target refused or failed to do.
#include "dumps.h"
#include "literals.h"
#include "output.h"
#include "registers.h"
#include "regmap.h"
#include "regmath.h"
#include "svd.h"
#include "target.h"

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
        "                                              the registers that changed\n"
        "  tarnwick-cli --svd FILE --gdb HOST:PORT REGISTER [FIELD=X...] [--write]\n"
        "                                              REGISTER read from a target, changed,\n"
        "                                              written and read back\n"
        "  tarnwick-cli --svd FILE --gdb HOST:PORT --read PATTERN [--save DUMP]\n"
        "                                              the registers it may read, as --dump\n\n"
        "VALUE is any literal Paste value reads (plain digits are hex, 0d255 "
        "is decimal) and defaults to the register's reset value. REGISTER and "
        "FIELD ignore case; X is a number (plain digits are decimal) or the name "
        "of one of the field's values. DUMP, OLD and NEW are what GDB's x/x, OpenOCD's "
        "mdw, J-Link's mem32 or lines of REGISTER = VALUE printed, in a file or - for "
        "standard input. Exit codes: 0 done, 1 bad register, field or value, or a dump "
        "that is unreadable or covers no register, 2 a file that is not readable SVD, 3 the "
        "target: no connection, a timeout, an error reply, a refused read or write.\n\n"
        "HOST:PORT is any GDB server (OpenOCD 3333, pyOCD, J-Link, ST-LINK, probe-rs, QEMU). "
        "Registers whose read clears, sets or changes something (a FIFO, a read-to-clear "
        "status) are read only by name with --side-effects; write-only ones never. A write "
        "keeps write-1-to-clear flags the fields given do not name at their harmless value. "
        "A target the server halts on connecting runs again when tarnwick-cli detaches."));
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
    const QCommandLineOption gdb_option(
        QStringLiteral("gdb"), QStringLiteral("Read registers from the GDB server at HOST:PORT."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption read_option(
        QStringLiteral("read"),
        QStringLiteral("With --gdb, every register matching PATTERN that may be read safely."),
        QStringLiteral("PATTERN"));
    const QCommandLineOption save_option(
        QStringLiteral("save"),
        QStringLiteral("With --read, also write the values as a dump that --dump and --diff read."),
        QStringLiteral("DUMP"));
    const QCommandLineOption write_option(
        QStringLiteral("write"), QStringLiteral("With --gdb, write the value FIELD=X made."));
    const QCommandLineOption side_effects_option(
        QStringLiteral("side-effects"),
        QStringLiteral("With --gdb, also read registers whose read changes the chip."));
    const QCommandLineOption timeout_option(
        QStringLiteral("timeout"),
        QStringLiteral("With --gdb, how long to wait for each answer (default 3000)."),
        QStringLiteral("MS"));
    parser.addOptions({svd_option, list_option, json_option, dump_option, changed_option,
                       diff_option, gdb_option, read_option, save_option, write_option,
                       side_effects_option, timeout_option});
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
            parser.isSet(diff_option) || parser.isSet(gdb_option))
            return fail(BadInput,
                        QStringLiteral("--list, --dump, --diff, --gdb and --json read a map: give "
                                       "--svd FILE"));
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
    const int modes = parser.isSet(list_option) + parser.isSet(dump_option) +
                      parser.isSet(diff_option) + parser.isSet(gdb_option);
    if (modes > 1 || parser.values(dump_option).size() > 1 || parser.values(diff_option).size() > 1)
        return fail(
            BadInput,
            QStringLiteral("one of --list, --dump DUMP, --diff OLD NEW and --gdb HOST:PORT"));
    const bool target_only = parser.isSet(read_option) || parser.isSet(save_option) ||
                             parser.isSet(write_option) || parser.isSet(side_effects_option) ||
                             parser.isSet(timeout_option);
    if (target_only && !parser.isSet(gdb_option))
        return fail(BadInput, QStringLiteral("--read, --save, --write, --side-effects and "
                                             "--timeout go with --gdb HOST:PORT"));
    if (parser.isSet(gdb_option)) {
        TargetOptions options;
        options.address = parser.value(gdb_option);
        options.reading = parser.isSet(read_option);
        options.pattern = parser.value(read_option);
        options.save = parser.value(save_option);
        options.write = parser.isSet(write_option);
        options.side_effects = parser.isSet(side_effects_option);
        options.json = json;
        if (parser.isSet(timeout_option)) {
            bool ok = false;
            options.timeout_ms = parser.value(timeout_option).toInt(&ok);
            if (!ok || options.timeout_ms <= 0)
                return fail(BadInput, QStringLiteral("--timeout takes milliseconds, such as 3000"));
        }
        return run_target(reading.device, file, arguments, options);
    }
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