// Tarnwick's own options, --svd FILE, --register NAME and --gdb HOST:PORT,
// beside the --help and --version that QCommandLineParser provides. Kept out
// of main() so the tests can drive the same code.
#pragma once

#include <QString>

class Dialog;
class QCommandLineParser;

namespace command_line {

void add_options(QCommandLineParser &parser);

// Why the parsed options cannot be followed; empty when they can.
QString error(const QCommandLineParser &parser);

// Opens the map the options name beside `dialog`, once error() is empty.
void apply(const QCommandLineParser &parser, Dialog &dialog);

} // namespace command_line
