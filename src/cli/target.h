// tarnwick-cli --gdb HOST:PORT: registers read from a live chip through any
// GDB server, one changed and written back, or a peripheral's worth read
// and printed as --dump prints a capture, under the same rules as the map
// window (target_rules.h) for what may be read and what a write sends.
#pragma once

#include "svd.h"

#include <QString>
#include <QStringList>

namespace cli {

struct TargetOptions
{
    QString address;      // HOST:PORT
    QString pattern;      // --read PATTERN
    bool reading = false; // --read given
    QString save;         // --save DUMP
    bool write = false;
    bool side_effects = false;
    bool json = false;
    int timeout_ms = 3000;
};

// REGISTER [FIELD=X...], or with `reading` every register matching the
// pattern. Exit codes as elsewhere, and Target for what the target refused
// or failed to do.
int run_target(const svd::Device &device, const QString &file, const QStringList &arguments,
               const TargetOptions &options);

} // namespace cli
