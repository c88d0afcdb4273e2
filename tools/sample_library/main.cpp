// epub-polcaro-sample: what scripts/run.sh needs to show a newcomer the program. It writes the
// sample library, tells where the stored output folder is, and turns the organise command's
// JSON lines into a table for the terminal. Developer tool: built with the project, not installed.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <exception>
#include <string>

#include "core/path_text_qt.h"
#include "organise/settings.h"
#include "platform/process.h"
#include "result_table.h"
#include "sample_books.h"
#include "shell/appdata.h"

namespace {

constexpr char kDescription[] =
    "Helps scripts/run.sh show what Epub polcaro does.\n"
    "\n"
    "Commands:\n"
    "  library DIR        write a small library of generated books into DIR\n"
    "  output-folder      print the output folder the window stored (exit 1 when none)\n"
    "  table [OPTIONS]    read 'epub-polcaro-cli organise' JSON lines on stdin, print a table";

const QString kProgram = QStringLiteral("epub-polcaro-sample");

void printOut(const QString& text) {
    platform::writeStandardOutput(text.toUtf8().toStdString());
}

void printErr(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
}

int usageError(const QString& text) {
    printErr(kProgram + QStringLiteral(": ") + text + QStringLiteral(" (see --help)"));
    return 2;
}

// The arguments as the file system spells them (see core::fromPlatformPath).
QStringList processArguments() {
    QStringList args{kProgram};
    for (const std::string& arg : platform::commandLineArguments())
        args.append(core::fromPlatformPath(arg));
    return args;
}

int writeLibrary(const QStringList& args) {
    if (args.size() != 1) return usageError(QStringLiteral("library takes one folder"));
    const QString folder = args.first();
    try {
        const int files = sample::writeSampleLibrary(folder);
        printErr(QStringLiteral("%1 sample files written into %2").arg(files).arg(folder));
    } catch (const std::exception& error) {
        printErr(kProgram + QStringLiteral(": ") + QString::fromUtf8(error.what()));
        return 1;
    }
    return 0;
}

// The window keeps its output folder in the settings file of its application-data folder;
// only an absolute path counts, as in the window.
int printOutputFolder() {
    shell::AppName = "Epub_polcaro";
    const QString settingsFolder = core::fromPlatformPath(shell::GetAppDataFolder());
    const QString output = organise::LoadSettings(settingsFolder);
    if (output.isEmpty() || !QDir::isAbsolutePath(output)) return 1;
    platform::writeStandardOutput(core::toPlatformPath(output) + '\n');
    return 0;
}

int printTable(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption library(QStringLiteral("library"),
                                     QStringLiteral("Show sources relative to this folder."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("Show targets relative to this folder."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption width(QStringLiteral("width"),
                                   QStringLiteral("Columns the table may take (default 100)."),
                                   QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("The lines come from a dry run."));
    parser.addOptions({library, output, width, dryRun});
    if (!parser.parse(QStringList{kProgram} + args)) return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("table reads stdin and takes no argument"));
    bool widthOk = false;
    const int columns = parser.value(width).toInt(&widthOk);
    if (!widthOk || columns < 40) return usageError(QStringLiteral("--width must be 40 or more"));

    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        printErr(kProgram + QStringLiteral(": cannot read stdin"));
        return 1;
    }
    const sample::ResultTable table = sample::formatResultTable(
        in.readAll(), parser.value(library), parser.value(output), columns, parser.isSet(dryRun));
    if (table.skippedLines > 0)
        printErr(kProgram + QStringLiteral(": %1 input lines were no JSON object and are not shown")
                                .arg(table.skippedLines));
    printOut(table.books > 0 ? table.text : QStringLiteral("No EPUB book was found.\n"));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                 QStringLiteral("library, output-folder or table"),
                                 QStringLiteral("COMMAND [ARGS]"));
    if (!parser.parse(processArguments())) return usageError(parser.errorText());
    QStringList args = parser.positionalArguments();
    if (parser.isSet(help) || args.isEmpty()) {
        printOut(parser.helpText());
        return args.isEmpty() && !parser.isSet(help) ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("library")) return writeLibrary(args);
    if (command == QLatin1String("output-folder")) return printOutputFolder();
    if (command == QLatin1String("table")) return printTable(args);
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}
