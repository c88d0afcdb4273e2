// epub-polcaro-cli: the command-line front end, linked to the same libraries as the window.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "commands.h"
#include "undo_command.h"

namespace {

constexpr char kUsage[] =
    "Usage: epub-polcaro-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  inspect BOOK...     print each book's metadata as one JSON object per line\n"
    "  organise ...        copy or move books into an output folder (see organise --help)\n"
    "  undo ...            take the last organise run back (see undo --help)\n"
    "\n"
    "Run 'epub-polcaro-cli COMMAND --help' for a command's options.\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == QLatin1String("inspect")) return cli::runInspect(args);
    if (command == QLatin1String("organise")) return cli::runOrganise(args);
    if (command == QLatin1String("undo")) return cli::runUndo(args);
    std::fprintf(stderr, "epub-polcaro-cli: unknown command '%s'\n\n%s",
                 command.toUtf8().constData(), kUsage);
    return 2;
}
