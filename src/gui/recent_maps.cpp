#include "recent_maps.h"

#include "settings.h"

#include <QDir>
#include <QFileInfo>

namespace recent_maps {

namespace {

const QString group = QStringLiteral("recent_register_maps");

// QFileInfo knows whether the platform's file names ignore case.
bool same_file(const QString &a, const QString &b) { return QFileInfo(a) == QFileInfo(b); }

} // namespace

QVector<Entry> list()
{
    QSettings store = tarnwick_settings();
    QVector<Entry> entries;
    const int count = qMin(store.beginReadArray(group), kept);
    for (int i = 0; i < count; ++i) {
        store.setArrayIndex(i);
        const QString path = store.value(QStringLiteral("path")).toString();
        if (!path.isEmpty())
            entries.append({path, store.value(QStringLiteral("register")).toString()});
    }
    store.endArray();
    return entries;
}

void remember(const QString &path, const QString &register_name)
{
    const QString absolute = QDir::cleanPath(QDir().absoluteFilePath(path));
    QVector<Entry> entries = list();
    Entry first{absolute, register_name};
    for (int i = 0; i < entries.size(); ++i) {
        if (same_file(entries[i].path, absolute)) {
            if (first.register_name.isEmpty())
                first.register_name = entries[i].register_name;
            entries.remove(i);
            break;
        }
    }
    entries.prepend(first);
    if (entries.size() > kept)
        entries.resize(kept);

    QSettings store = tarnwick_settings();
    store.remove(group);
    store.beginWriteArray(group, entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        store.setArrayIndex(i);
        store.setValue(QStringLiteral("path"), entries[i].path);
        store.setValue(QStringLiteral("register"), entries[i].register_name);
    }
    store.endArray();
}

} // namespace recent_maps
