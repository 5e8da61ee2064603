// What tarnwick-cli writes: the exit codes, the messages on standard error,
// and a register decoded for a value, as a table or as JSON. Every way the
// program reaches registers (a value given, a dump, a target) prints
// through these, so the forms stay one.
#pragma once

#include "svd.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace cli {

// 0 it worked; 1 no such register or field, or a value that is not a number
// or does not fit; 2 a file that cannot be read as SVD; 3 the target: no
// connection, a timeout, an error reply, a refused read or write.
enum Exit { Ok = 0, BadInput = 1, BadFile = 2, Target = 3 };

// UTF-8 whatever the console's code page, so that scripts read the same
// bytes everywhere.
void print(const QString &text);
// "tarnwick-cli: MESSAGE" on standard error; gives `code`.
int fail(int code, const QString &message);
// The file's mistakes are told, not fatal: vendor files have them and stay usable.
void warn(const QString &file, const QStringList &warnings);

// Rows of cells in columns as wide as their widest cell.
QString table(const QVector<QStringList> &rows);
QString json_string(const QString &text);
// null for an empty text.
QString json_or_null(const QString &text);
// Eight digits, sixteen for an address above 4 GiB.
QString address_text(quint64 address);
// The five keys every register has, in this order, in both JSON forms.
QString json_register(const svd::Register &reg);
QString access_or_dash(const QString &access);

// The register's facts and a row per field (and reserved run) for `value`.
QString decoded_text(const svd::Register &reg, quint64 value);
// The register's keys, "value" and its fields msb first, as one JSON object
// and a newline.
QString decoded_json(const svd::Register &reg, quint64 value);

} // namespace cli
