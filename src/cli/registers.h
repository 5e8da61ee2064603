// What the console program's ways of reaching one register share: finding
// it and its fields by name, with hints for a name that is none, and FIELD=X
// applied to a value.
#pragma once

#include "svd.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace cli {

// ": GPIOA is a peripheral; try --list 'GPIOA.*'" where `name` is the name
// of a peripheral or cluster; empty otherwise.
QString group_hint(const svd::Device &device, const QString &name);
// The field of that name, case ignored; -1 when there is none.
int find_field(const svd::Register &reg, QStringView name);
// FIELD=X, applied to `value` in order; Ok, or the exit code of the failure
// after its message. `named` gets the indexes of the fields set.
int assign(const svd::Register &reg, const QStringList &assignments, quint64 &value,
           QVector<int> *named = nullptr);
// What `name`, which names no register, is instead, and what to try.
QString no_register(const svd::Device &device, const QString &file, const QString &name);

} // namespace cli
