// epub-polcaro-cli organise: the organise run of the window, driven from the command line. The
// rows, the run and every decision are the library's; this file only parses the arguments, fills
// the list the way the window's folder scan and file drop do, and prints one JSON line per book.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "core/json_writer.h"
#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "epub/read_ahead.h"
#include "organise/collection.h"
#include "organise/extension.h"
#include "organise/file_operations.h"
#include "organise/organise_run.h"
#include "organise/run_journal.h"
#include "organise/run_tally.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "undo_command.h"

namespace cli {

namespace {

constexpr char kDescription[] =
    "Copies or moves every EPUB book found in PATH (a file, or a folder searched with its\n"
    "subfolders) into DIR, named and sorted into folders from the book's own metadata, as the\n"
    "window's start button does. Prints one JSON object per book:\n"
    "  {\"source\":...,\"result\":...,\"text\":...,\"target\":...,\"reason\":...,\n"
    "   \"existing\":...}\n"
    "where result is Done, CopyFailed, TargetExists, ReadFailed or NotEpub, text is the row text\n"
    "the window shows, target what it shows in its output column (\"\" when nothing), reason\n"
    "why a book failed (the system's or the reader's error; for TargetExists whether the file\n"
    "there is the same book; \"\" when nothing went wrong) and existing, for TargetExists,\n"
    "\"identical\" (the file there holds the same bytes) or \"different\" (\"\" otherwise).\n"
    "At the end one line of counts goes to stderr:\n"
    "  ok=N identical=N different=N read_failed=N copy_failed=N not_epub=N stopped=N";

constexpr char kExitStatus[] =
    "Exit status: 0 when every book ended Done or TargetExists, 1 otherwise, 2 for a usage error.\n"
    "Ctrl-C stops after the book being handled; the remaining books are skipped.\n";

const QString kProgram = QStringLiteral("epub-polcaro-cli organise");

struct Row {
    QString source;
    QString result;
    QString output;
    QString reason;
};

class VectorWorkList final : public organise::WorkList {
public:
    std::vector<Row> rows;
    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString source(int row) const override { return rows.at(static_cast<std::size_t>(row)).source; }
    void setResultText(int row, const QString& text) override {
        rows.at(static_cast<std::size_t>(row)).result = text;
    }
    void setOutputText(int row, const QString& text) override {
        rows.at(static_cast<std::size_t>(row)).output = text;
    }
    void setReason(int row, const QString& reason) override {
        rows.at(static_cast<std::size_t>(row)).reason = reason;
    }
};

// Headless: no progress or status display; each finished book becomes one JSON line.
class JsonRunObserver final : public organise::RunObserver {
public:
    JsonRunObserver(const VectorWorkList& list, organise::NamingOptions naming,
                    organise::TransferMode mode, QString output, bool english)
        : list_(list),
          naming_(naming),
          mode_(mode),
          output_(std::move(output)),
          english_(english) {}

    int finished = 0;
    bool allSucceeded = true;
    std::optional<organise::RunTally> tally;

    void processEvents() override { QCoreApplication::processEvents(); }
    void clearStopRequest() override { clearInterrupt(); }
    bool stopRequested() const override { return interrupted(); }
    organise::BookSettings bookSettings() const override { return {naming_, mode_, output_}; }
    bool englishUi() const override { return english_; }
    core::MessageSink& messageSink() override { return sink_; }
    void showMessage(const QString& text) override { printErr(text); }

    void rowFinished(int row, organise::OrganiseResult result,
                     organise::ExistingTarget existing) override {
        const Row& r = list_.rows.at(static_cast<std::size_t>(row));
        const bool notEpub = result == organise::OrganiseResult::NotEpub;
        core::JsonObject line;
        line.add("source", r.source)
            .add("result", organise::resultName(result))
            .add("text", notEpub ? QString() : r.result)
            .add("target", r.output)
            .add("reason", r.reason)
            .add("existing", organise::existingName(existing));
        platform::writeStandardOutput(line.line().toStdString());
        ++finished;
        if (result != organise::OrganiseResult::Done &&
            result != organise::OrganiseResult::TargetExists)
            allSucceeded = false;
    }
    void runFinished(const organise::RunTally& counts) override { tally = counts; }

private:
    const VectorWorkList& list_;
    organise::NamingOptions naming_;
    organise::TransferMode mode_;
    QString output_;
    bool english_;
    core::StderrMessageSink sink_;
};

struct Arguments {
    QString output;
    bool move = false;
    bool english = false;
    bool dryRun = false;
    organise::NamingOptions naming;
    QStringList paths;
};

bool setFolders(const QString& list, organise::NamingOptions& naming, QString& error) {
    naming.language = naming.creator = naming.series = naming.title = false;
    for (const QString& raw : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = raw.trimmed();
        if (name == QLatin1String("language"))
            naming.language = true;
        else if (name == QLatin1String("creator"))
            naming.creator = true;
        else if (name == QLatin1String("series"))
            naming.series = true;
        else if (name == QLatin1String("title"))
            naming.title = true;
        else {
            error =
                QStringLiteral("unknown folder level '%1' (use language, creator, series, title)")
                    .arg(name);
            return false;
        }
    }
    return true;
}

bool setRenameScheme(const QString& scheme, organise::NamingOptions& naming, QString& error) {
    if (scheme == QLatin1String("none"))
        naming.renameScheme = organise::RenameScheme::KeepSourceName;
    else if (scheme == QLatin1String("creator-title"))
        naming.renameScheme = organise::RenameScheme::CreatorTitle;
    else if (scheme == QLatin1String("title-creator"))
        naming.renameScheme = organise::RenameScheme::TitleCreator;
    else {
        error =
            QStringLiteral("unknown rename scheme '%1' (use none, creator-title, title-creator)")
                .arg(scheme);
        return false;
    }
    return true;
}

// The options as the parser found them, checked. Returns an empty text on success, else the
// usage error. A repeated option counts with its last value.
QString check(const QCommandLineParser& parser, Arguments& parsed) {
    const QString output = QStringLiteral("output");
    const QString move = QStringLiteral("move");
    const QString rename = QStringLiteral("rename");
    const QString folders = QStringLiteral("folders");
    const QString noFolders = QStringLiteral("no-folders");
    const QString english = QStringLiteral("english");
    const QString dryRun = QStringLiteral("dry-run");
    QString error;
    for (const QString& scheme : parser.values(rename))
        if (!setRenameScheme(scheme, parsed.naming, error)) return error;
    for (const QString& list : parser.values(folders))
        if (!setFolders(list, parsed.naming, error)) return error;
    if (parser.isSet(folders) && parser.isSet(noFolders))
        return QStringLiteral("--folders and --no-folders exclude each other");
    parsed.naming.none = parser.isSet(noFolders);
    parsed.move = parser.isSet(move);
    parsed.english = parser.isSet(english);
    parsed.dryRun = parser.isSet(dryRun);
    parsed.output = parser.value(output);
    if (parsed.output.isEmpty()) return QStringLiteral("--output DIR is required");
    parsed.paths = parser.positionalArguments();
    if (parsed.paths.isEmpty()) return QStringLiteral("no PATH given");
    return QString();
}

}  // namespace

int runOrganise(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("output"), QStringLiteral("The output folder (required)."),
         QStringLiteral("DIR")},
        {QStringLiteral("move"), QStringLiteral("Move the books instead of copying them.")},
        {QStringLiteral("rename"),
         QStringLiteral("none | creator-title (default) | title-creator."),
         QStringLiteral("SCHEME")},
        {QStringLiteral("folders"),
         QStringLiteral("Comma-separated folder levels out of language,creator,series,title "
                        "(default: creator); they always nest in that order."),
         QStringLiteral("LIST")},
        {QStringLiteral("no-folders"), QStringLiteral("No folder levels at all.")},
        {QStringLiteral("english"), QStringLiteral("English result texts (default: Hungarian).")},
        {QStringLiteral("dry-run"),
         QStringLiteral("Change nothing on disk; report what would happen.")},
    };
    parser.addOptions(options);
    parser.addPositionalArgument(
        QStringLiteral("PATH"),
        QStringLiteral("An EPUB file, or a folder searched with its subfolders."),
        QStringLiteral("PATH..."));

    if (!parser.parse(QStringList{kProgram} + args))
        return usageError(kProgram, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        printOut(helpText(parser, QStringLiteral("organise --output DIR [OPTIONS] PATH..."),
                          QString::fromUtf8(kExitStatus)));
        return 0;
    }
    Arguments parsed;
    const QString error = check(parser, parsed);
    if (!error.isEmpty()) return usageError(kProgram, error);

    // Paths enter with the native separator; the output folder ends with one.
    const QString output = core::fromPlatformPath(platform::withTrailingSeparator(
        core::toPlatformPath(core::pathFromOutside(parsed.output))));

    // Fill the list as the window does: a folder is searched, an .epub file is added as given,
    // anything else is passed over (the window ignores it silently; here it is mentioned).
    VectorWorkList list;
    organise::FolderSearch search;
    const auto addFile = [&](const QString& path) {
        if (organise::hasEpubExtension(path))
            list.rows.push_back({path, QString(), QString(), QString()});
    };
    for (const QString& given : parsed.paths) {
        const QString path = core::pathFromOutside(given);
        if (platform::folderExists(core::toPlatformPath(path))) {
            if (search.run(path, addFile) == organise::SearchOutcome::ListingFailed)
                printErr(QStringLiteral("epub-polcaro-cli organise: the search of '%1' ended early")
                             .arg(path));
        } else if (organise::hasEpubExtension(path)) {
            addFile(path);
        } else {
            printErr(
                QStringLiteral(
                    "epub-polcaro-cli organise: ignored '%1' (neither a folder nor an .epub file)")
                    .arg(path));
        }
    }

    JsonRunObserver observer(
        list, parsed.naming,
        parsed.move ? organise::TransferMode::Move : organise::TransferMode::Copy, output,
        parsed.english);
    watchInterrupt();
    if (parsed.dryRun) {
        organise::DryRunFileOperations files;
        organise::OrganiseRun(list, observer, files, epub::defaultReadAheadThreads());
    } else {
        organise::PlatformFileOperations disk;
        organise::RunJournal journal(
            journalFolder(), output,
            parsed.move ? organise::TransferMode::Move : organise::TransferMode::Copy);
        organise::JournalingFileOperations files(disk, journal);
        organise::OrganiseRun(list, observer, files, epub::defaultReadAheadThreads());
        if (!journal.error().isEmpty())
            printErr(QStringLiteral("epub-polcaro-cli organise: no journal: ") + journal.error());
    }
    stopWatchingInterrupt();

    const bool everyBookHandled = observer.finished == list.rowCount();
    if (!everyBookHandled)
        printErr(
            QStringLiteral("epub-polcaro-cli organise: stopped; %1 of %2 books were not handled")
                .arg(list.rowCount() - observer.finished)
                .arg(list.rowCount()));
    // The counts come last, one line a script can split at the blanks and the '='.
    if (observer.tally)
        printErr(QString::fromStdString(organise::runTallyKeyValues(*observer.tally)));
    return observer.allSucceeded && everyBookHandled ? 0 : 1;
}

}  // namespace cli
