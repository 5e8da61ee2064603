#include "command_line.h"

#include "dialog.h"

#include <QCommandLineParser>

namespace command_line {

namespace {

const QString svd_option = QStringLiteral("svd");
const QString register_option = QStringLiteral("register");

} // namespace

void add_options(QCommandLineParser &parser)
{
    parser.addOption({svd_option, QStringLiteral("Opens the register map <file> (CMSIS-SVD)."),
                      QStringLiteral("file")});
    parser.addOption({register_option,
                      QStringLiteral("Picks the register <name> (PERIPHERAL.REGISTER) in the map."),
                      QStringLiteral("name")});
}

QString error(const QCommandLineParser &parser)
{
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
    if (parser.value(svd_option).isEmpty() && parser.isSet(register_option))
        return QStringLiteral("--register needs --svd FILE");
    return QString();
}

void apply(const QCommandLineParser &parser, Dialog &dialog)
{
    const QString path = parser.value(svd_option);
    if (!path.isEmpty())
        dialog.open_register_map(path, parser.value(register_option), true);
}

} // namespace command_line
