// The ways into the register-map window from the main window: the entries of
// the value views' context menus and the drop of a map or dump file.
#pragma once

#include <QString>

#include <functional>

class QMenu;
class QMimeData;
class QWidget;

namespace map_menu {

using Opener = std::function<void(const QString &path, const QString &register_name)>;

// Appends "Open register map…" (open_register_map), which asks for a file
// with the usual file dialog over `parent`, and the submenu "Recent register
// maps" (recent_register_maps) of the maps opened lately, each with the
// register last picked in it.
void append_open(QMenu *menu, QWidget *parent, const Opener &open);

// The first local file a drag carries, or an empty text.
QString dropped_file(const QMimeData *data);

// Whether the file is a map rather than a dump: it begins as XML text, or
// cannot be read, which the map reader then explains.
bool is_map_file(const QString &path);

// Lets `window` take a file dropped anywhere on it, line edits included,
// which keep taking text drops as before.
void accept_drops(QWidget *window, const std::function<void(const QString &path)> &open);

} // namespace map_menu
