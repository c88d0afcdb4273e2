// epub-polcaro-cli: the command-line front end, linked to the same libraries as the window.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "core/path_text_qt.h"
#include "platform/process.h"
#include "platform/process_tuning.h"
#include "undo_command.h"

namespace {

constexpr char kDescription[] =
    "Organises EPUB collections as the window does.\n"
    "\n"
    "Commands:\n"
    "  inspect BOOK...     print each book's metadata as one JSON object per line\n"
    "  organise ...        copy or move books into an output folder (see organise --help)\n"
    "  undo ...            take the last organise run back (see undo --help)\n"
    "\n"
    "Run 'epub-polcaro-cli COMMAND --help' for a command's options.";

// The arguments as the file system spells them: on POSIX a path argument that is not UTF-8
// keeps its bytes (QCoreApplication::arguments would turn them into U+FFFD).
QStringList processArguments() {
    QStringList args{QStringLiteral("epub-polcaro-cli")};
    for (const std::string& arg : platform::commandLineArguments())
        args.append(core::fromPlatformPath(arg));
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("epub-polcaro-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(POLCARO_VERSION));
    platform::prepareProcessForBookReading();

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    // Everything after the command belongs to the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                 QStringLiteral("inspect, organise or undo"),
                                 QStringLiteral("COMMAND [ARGS]"));

    if (!parser.parse(processArguments()))
        return cli::usageError(QStringLiteral("epub-polcaro-cli"), parser.errorText());
    if (parser.isSet(version)) {
        cli::printOut(QCoreApplication::applicationName() + QLatin1Char(' ') +
                      QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return 0;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        cli::printOut(cli::helpText(parser, QStringLiteral("COMMAND [ARGS]")));
        return 0;
    }
    QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        cli::printErr(cli::helpText(parser, QStringLiteral("COMMAND [ARGS]")));
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("inspect")) return cli::runInspect(args);
    if (command == QLatin1String("organise")) return cli::runOrganise(args);
    if (command == QLatin1String("undo")) return cli::runUndo(args);
    return cli::usageError(QStringLiteral("epub-polcaro-cli"),
                           QStringLiteral("unknown command '%1'").arg(command));
}
