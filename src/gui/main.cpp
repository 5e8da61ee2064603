#include "dialog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The window is plain widgets and never uses OpenGL; loading Qt's GL
    // integration on X11 costs about half of the start-up time and memory.
    // A value the user set is respected.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    // The window has a fixed pixel size; without scaling it would come out
    // tiny on a high-density screen. Both must be set before the application
    // object exists.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QApplication app(argc, argv);
    // Lets Wayland desktops match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tarnwick.Tarnwick"));
    Dialog dialog;
    dialog.show();
    return app.exec();
}
