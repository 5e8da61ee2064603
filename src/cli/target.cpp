// The console program against a live target: connect, read, maybe write and
// read back, and leave the target as it was found.
#include "target.h"

#include "dump.h"
#include "gdb_client.h"
#include "output.h"
#include "registers.h"
#include "regmap.h"
#include "target_rules.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace cli {

namespace {

// One access of the register's width, or why there is none.
QString unreachable(const svd::Register &reg)
{
    if (reg.size % 8 || (reg.size != 8 && reg.size != 16 && reg.size != 32 && reg.size != 64))
        return QStringLiteral("a %1-bit register is no single access of 1, 2, 4 or 8 bytes")
            .arg(reg.size);
    if (reg.address % (reg.size / 8))
        return QStringLiteral("its address is not aligned to its size");
    return QString();
}

QString place(const svd::Register &reg)
{
    return QStringLiteral("%1 at %2").arg(reg.name, address_text(reg.address));
}

QString json_value(const std::optional<quint64> &value, const svd::Register &reg)
{
    return value ? QStringLiteral("\"%1\"").arg(regmap::hex(*value, reg.size))
                 : QStringLiteral("null");
}

// Connects, telling the user when the server halted a running target for
// us, which is resumed when we detach.
int open(target::Session &session, const TargetOptions &options, const QString &what)
{
    QString host;
    quint16 port = 0;
    if (!target::split_address(options.address, host, port))
        return fail(BadInput, QStringLiteral("--gdb %1 is not HOST:PORT").arg(options.address));
    const QString error = session.open(host, port);
    if (!error.isEmpty())
        return fail(Target, what.isEmpty() ? error : what + QStringLiteral(": ") + error);
    if (session.client().halted_on_connect())
        fail(Ok, QStringLiteral("%1 halted the running target for this connection; it runs "
                                "again when tarnwick-cli detaches")
                     .arg(session.client().server()));
    return Ok;
}

int close(target::Session &session, int code)
{
    const QString error = session.close();
    if (!error.isEmpty())
        return fail(Target, error);
    return code;
}

std::optional<quint64> read_register(target::Session &session, const svd::Device &device,
                                     const svd::Register &reg, QString &error)
{
    const std::optional<QByteArray> bytes = session.read(reg.address, reg.size / 8, error);
    if (!bytes) {
        error = place(reg) + QStringLiteral(": ") + error;
        return std::nullopt;
    }
    return target_rules::value_of(*bytes, device.big_endian);
}

int read_matching(const svd::Device &device, const QString &file, const TargetOptions &options)
{
    const QVector<int> matching = regmap::matching(device, options.pattern);
    if (matching.isEmpty())
        return fail(BadInput,
                    QStringLiteral("no register of %1 matches %2").arg(file, options.pattern));
    QVector<int> chosen;
    for (const int index : matching) {
        const svd::Register &reg = device.registers[index];
        const target_rules::ReadVerdict verdict = target_rules::may_read(reg);
        QString why = unreachable(reg);
        if (why.isEmpty() && verdict.rule == target_rules::Read::Never)
            why = verdict.reason;
        else if (why.isEmpty() && verdict.rule == target_rules::Read::OnRequest &&
                 !options.side_effects)
            why = verdict.reason + QStringLiteral("; --side-effects reads it");
        if (why.isEmpty())
            chosen.append(index);
        else
            fail(Ok, QStringLiteral("%1: %2").arg(reg.name, why));
    }
    if (chosen.isEmpty())
        return fail(BadInput,
                    QStringLiteral("no register matching %1 may be read").arg(options.pattern));

    target::Session session(options.timeout_ms);
    if (const int code = open(session, options, QString()))
        return code;
    QVector<std::optional<quint64>> values(device.registers.size());
    QStringList blocks;
    int code = Ok;
    for (const int index : qAsConst(chosen)) {
        const svd::Register &reg = device.registers[index];
        QString error;
        const std::optional<quint64> value = read_register(session, device, reg, error);
        if (!value) {
            code = fail(Target, error);
            // After an error reply the connection is still in step; after
            // a timeout or a broken stream it is gone, and so is the rest.
            if (session.client().state() == target::Client::State::Disconnected)
                break;
            continue;
        }
        values[index] = value;
        // As --dump prints a capture, so the two compare by eye and by diff.
        blocks << (options.json ? decoded_json(reg, *value).chopped(1) : decoded_text(reg, *value));
    }
    code = close(session, code);
    if (options.json)
        print(blocks.isEmpty()
                  ? QStringLiteral("[]\n")
                  : QStringLiteral("[\n%1\n]\n").arg(blocks.join(QStringLiteral(",\n"))));
    else
        print(blocks.join('\n'));
    if (!options.save.isEmpty()) {
        QFile out(options.save);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return fail(BadInput, QStringLiteral("%1: %2").arg(options.save, out.errorString()));
        out.write(dump::name_lines(
                      device, values,
                      QStringLiteral("%1 from %2").arg(QFileInfo(file).fileName(), options.address),
                      QDateTime::currentDateTimeUtc())
                      .toUtf8());
        if (!out.flush())
            return fail(BadInput, QStringLiteral("%1: %2").arg(options.save, out.errorString()));
    }
    return code;
}

} // namespace

int run_target(const svd::Device &device, const QString &file, const QStringList &arguments,
               const TargetOptions &options)
{
    if (options.reading) {
        if (!arguments.isEmpty())
            return fail(BadInput, QStringLiteral("--read takes one PATTERN"));
        if (options.write)
            return fail(BadInput, QStringLiteral("--write goes with REGISTER FIELD=X, not --read"));
        return read_matching(device, file, options);
    }
    if (!options.save.isEmpty())
        return fail(BadInput, QStringLiteral("--save goes with --read PATTERN"));
    if (arguments.isEmpty())
        return fail(BadInput, QStringLiteral("give a REGISTER or --read PATTERN with --gdb"));
    const int index = regmap::find_register(device, arguments.first());
    if (index < 0)
        return fail(BadInput, no_register(device, file, arguments.first()));
    const svd::Register &reg = device.registers[index];
    warn(file, reg.warnings);
    QStringList assignments;
    for (const QString &argument : arguments.mid(1)) {
        if (!argument.contains(QLatin1Char('=')))
            return fail(BadInput, QStringLiteral("with --gdb the value is read from the target; "
                                                 "change it by field, FIELD=X: \"%1\"")
                                      .arg(argument));
        assignments << argument;
    }
    if (options.write && assignments.isEmpty())
        return fail(BadInput, QStringLiteral("--write writes the fields given: FIELD=X..."));
    if (const QString why = unreachable(reg); !why.isEmpty())
        return fail(BadInput, QStringLiteral("%1: %2").arg(place(reg), why));

    const target_rules::ReadVerdict verdict = target_rules::may_read(reg);
    const bool readable = verdict.rule == target_rules::Read::Automatic ||
                          (verdict.rule == target_rules::Read::OnRequest && options.side_effects);
    QString not_read;
    if (!readable) {
        not_read = verdict.rule == target_rules::Read::Never
                       ? verdict.reason
                       : verdict.reason + QStringLiteral("; --side-effects reads it");
        if (assignments.isEmpty())
            return fail(Target, QStringLiteral("%1: not read: %2").arg(place(reg), not_read));
    }
    const target_rules::WriteVerdict writable = target_rules::may_write(reg);
    if (options.write && !writable.allowed)
        return fail(Target, QStringLiteral("%1: not written: %2").arg(place(reg), writable.reason));

    target::Session session(options.timeout_ms);
    if (const int code = open(session, options, place(reg)))
        return code;
    std::optional<quint64> read;
    if (readable) {
        QString error;
        read = read_register(session, device, reg, error);
        if (!read)
            return close(session, fail(Target, error));
    }
    if (assignments.isEmpty()) {
        print(options.json ? decoded_json(reg, *read).chopped(2) +
                                 QStringLiteral(", \"read\": %1, \"written\": null, \"read_back\": "
                                                "null}\n")
                                     .arg(json_value(read, reg))
                           : decoded_text(reg, *read));
        return close(session, Ok);
    }

    // Fields the user did not name are taken from the chip, or where it
    // may not be read, from the reset value.
    if (!readable)
        fail(Ok, QStringLiteral("%1: not read (%2): the fields not given are its reset value's")
                     .arg(place(reg), not_read));
    const quint64 current = read.value_or(reg.reset_value);
    quint64 wanted = current;
    QVector<int> named;
    if (const int code = assign(reg, assignments, wanted, &named))
        return close(session, code);
    quint64 changed = wanted ^ current;
    for (const int field : qAsConst(named))
        changed |= target_rules::fields_touched(reg, quint64(1) << reg.fields[field].lsb);
    const quint64 word = target_rules::word_to_write(reg, wanted, current, changed);
    if (word != wanted)
        fail(Ok, QStringLiteral("%1: %2 is written as %3: fields with an effect on writing that "
                                "were not given hold their value of no effect, read-only ones "
                                "their value read")
                     .arg(reg.name, regmap::sized_hex(wanted, reg.size),
                          regmap::sized_hex(word, reg.size)));

    std::optional<quint64> written, read_back;
    int code = Ok;
    // Shown before it is sent: what the user sees is what the chip gets.
    QString shown = options.json ? QString() : decoded_text(reg, word);
    if (!options.json)
        print(shown);
    if (!options.write) {
        fail(Ok, QStringLiteral("%1: not written; --write writes %2")
                     .arg(place(reg), regmap::sized_hex(word, reg.size)));
    } else if (const QString error = session.write(
                   reg.address, target_rules::bytes_of(word, reg.size / 8, device.big_endian));
               !error.isEmpty()) {
        code = fail(Target, place(reg) + QStringLiteral(": ") + error);
    } else {
        written = word;
        if (!options.json)
            print(QStringLiteral("written %1\n").arg(regmap::sized_hex(word, reg.size)));
        // Read back only where reading is harmless; a FIFO's next byte is
        // not the one written.
        if (verdict.rule == target_rules::Read::Automatic) {
            QString error;
            read_back = read_register(session, device, reg, error);
            if (!read_back)
                code = fail(Target, error);
            else if (!options.json)
                print(
                    QStringLiteral("read back %1\n").arg(regmap::sized_hex(*read_back, reg.size)));
            if (read_back && *read_back != word)
                fail(Ok, QStringLiteral("%1: read back %2 after writing %3: usual for registers "
                                        "whose bits the hardware sets, clears or ignores")
                             .arg(place(reg), regmap::sized_hex(*read_back, reg.size),
                                  regmap::sized_hex(word, reg.size)));
        } else {
            fail(Ok, QStringLiteral("%1: not read back: %2").arg(place(reg), verdict.reason));
        }
    }
    if (options.json)
        print(
            decoded_json(reg, word).chopped(2) +
            QStringLiteral(", \"read\": %1, \"written\": %2, \"read_back\": %3}\n")
                .arg(json_value(read, reg), json_value(written, reg), json_value(read_back, reg)));
    return close(session, code);
}

} // namespace cli
