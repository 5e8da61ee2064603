// Where the program keeps what it remembers (the recent maps, the map
// window's size and columns): an INI file in the user's configuration folder
// (~/.config, %APPDATA%) rather than the Windows registry, so that tests can
// point QSettings at a folder of their own on every platform.
#pragma once

#include <QSettings>

inline QSettings tarnwick_settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tarnwick"),
                     QStringLiteral("tarnwick"));
}
