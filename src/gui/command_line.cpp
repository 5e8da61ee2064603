#include "command_line.h"

#include "dialog.h"
#include "gdb_client.h"

#include <QCommandLineParser>

namespace command_line {

namespace {

const QString svd_option = QStringLiteral("svd");
const QString register_option = QStringLiteral("register");
const QString gdb_option = QStringLiteral("gdb");

} // namespace

void add_options(QCommandLineParser &parser)
{
    parser.addOption({svd_option, QStringLiteral("Opens the register map <file> (CMSIS-SVD)."),
                      QStringLiteral("file")});
    parser.addOption({register_option,
                      QStringLiteral("Picks the register <name> (PERIPHERAL.REGISTER) in the map."),
                      QStringLiteral("name")});
    parser.addOption({gdb_option,
                      QStringLiteral("Connects the map to the GDB server at <host:port> and reads "
                                     "the register picked."),
                      QStringLiteral("host:port")});
}

QString error(const QCommandLineParser &parser)
{
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
    if (parser.value(svd_option).isEmpty() && parser.isSet(register_option))
        return QStringLiteral("--register needs --svd FILE");
    if (parser.value(svd_option).isEmpty() && parser.isSet(gdb_option))
        return QStringLiteral("--gdb needs --svd FILE");
    QString host;
    quint16 port = 0;
    if (parser.isSet(gdb_option) && !target::split_address(parser.value(gdb_option), host, port))
        return QStringLiteral("--gdb needs HOST:PORT, not %1").arg(parser.value(gdb_option));
    return QString();
}

void apply(const QCommandLineParser &parser, Dialog &dialog)
{
    const QString path = parser.value(svd_option);
    if (!path.isEmpty())
        dialog.open_register_map(path, parser.value(register_option), true);
    if (!path.isEmpty() && parser.isSet(gdb_option))
        dialog.connect_target(parser.value(gdb_option));
}

} // namespace command_line
