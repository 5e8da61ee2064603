// The register maps opened lately, newest first, each with the register
// last picked in it, kept in the user's settings between runs.
#pragma once

#include <QString>
#include <QVector>

namespace recent_maps {

struct Entry
{
    QString path;
    QString register_name; // empty when none was picked
};

// How many maps are remembered.
constexpr int kept = 8;

QVector<Entry> list();

// Puts `path` first, dropping the oldest beyond `kept`. An empty
// `register_name` keeps the one remembered for that file.
void remember(const QString &path, const QString &register_name);

} // namespace recent_maps
