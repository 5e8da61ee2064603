#include "command_line.h"
#include "dialog.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

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
    // The name screen readers know the program by, and what --version says.
    QCoreApplication::setApplicationName(QStringLiteral("tarnwick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A register calculator."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    command_line::add_options(parser);
    // Arguments Tarnwick does not know change nothing, as they never did: the
    // window starts as always, with a note of what was left out.
    const bool parsed = parser.parse(QCoreApplication::arguments());
    if (parser.isSet(help))
        parser.showHelp();
    if (parser.isSet(version))
        parser.showVersion();
    QString error = parsed ? command_line::error(parser) : parser.errorText();
    if (error.endsWith(QLatin1Char('.')))
        error.chop(1);
    if (!error.isEmpty())
        std::fprintf(stderr, "tarnwick: %s; no register map opened\n", qPrintable(error));

    Dialog dialog;
    dialog.show();
    // After show(), which places the main window: the map opens beside it.
    if (error.isEmpty())
        command_line::apply(parser, dialog);
    return app.exec();
}
