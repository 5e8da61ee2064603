#include "platform.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace platform {

bool start_calculator()
{
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("C:\\Windows\\System32\\calc.exe"), {});
#else
    static const char *const candidates[] = {
        "gnome-calculator", "kcalc",     "qalculate-qt", "qalculate-gtk",
        "galculator",       "mate-calc", "xcalc"};
    for (const char *name : candidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return QProcess::startDetached(path, {});
    }
    return false;
#endif
}

QString why_no_stay_on_top()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return QStringLiteral(
            "Not available on Wayland: only the compositor decides which window stays on top");
    return QString();
}

} // namespace platform
