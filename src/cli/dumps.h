// tarnwick-cli --dump and --diff: the registers a captured dump covers,
// decoded as a register given a value is, and what changed between two
// captures. A dump is a file or "-" for standard input.
#pragma once

#include "svd.h"

#include <QString>

namespace cli {

// Every register of the map matching `pattern` that the dump covers, in file
// order; with `changed` only those whose value differs from their reset value.
int show_dump(const svd::Device &device, const QString &file, const QString &dump_path,
              const QString &pattern, bool changed, bool json);

// The registers matching `pattern` that both dumps cover and whose values
// differ, with the fields (and reserved runs) that changed.
int show_diff(const svd::Device &device, const QString &file, const QString &old_path,
              const QString &new_path, const QString &pattern, bool json);

} // namespace cli
