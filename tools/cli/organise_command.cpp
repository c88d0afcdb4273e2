// epub-polcaro-cli organise: the organise run of the window, driven from the command line. The
// rows, the run and every decision are the library's; this file only parses the arguments, fills
// the list the way the window's folder scan and file drop do, and prints one JSON line per book.
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <utility>
#include <vector>

#include "commands.h"
#include "epub/message_sink.h"
#include "organise/collection.h"
#include "organise/extension.h"
#include "organise/file_operations.h"
#include "organise/organise_run.h"
#include "organise/run_journal.h"
#include "platform/files.h"
#include "undo_command.h"

namespace cli {

namespace {

constexpr char kOrganiseUsage[] =
    "Usage: epub-polcaro-cli organise --output DIR [OPTIONS] PATH...\n"
    "\n"
    "Copies or moves every EPUB book found in PATH (a file, or a folder searched with its\n"
    "subfolders) into DIR, named and sorted into folders from the book's own metadata, as the\n"
    "window's start button does. Prints one JSON object per book:\n"
    "  {\"source\":...,\"result\":...,\"text\":...,\"target\":...,\"reason\":...}\n"
    "where result is Done, CopyFailed, TargetExists, ReadFailed or NotEpub, text is the row text\n"
    "the window shows, target what it shows in its output column (\"\" when nothing) and reason\n"
    "why a book failed (the system's or the reader's error; \"\" when nothing went wrong).\n"
    "\n"
    "Options:\n"
    "  --output DIR       the output folder (required)\n"
    "  --move             move the books instead of copying them\n"
    "  --rename SCHEME    none | creator-title (default) | title-creator\n"
    "  --folders LIST     comma-separated folder levels out of language,creator,series,title\n"
    "                     (default: creator); they always nest in that order\n"
    "  --no-folders       no folder levels at all\n"
    "  --english          English result texts (default: Hungarian)\n"
    "  --dry-run          change nothing on disk; report what would happen\n"
    "  --help             show this text\n"
    "\n"
    "Exit status: 0 when every book ended Done or TargetExists, 1 otherwise, 2 for a usage error.\n"
    "Ctrl-C stops after the book being handled; the remaining books are skipped.\n";

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

void printErr(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
    std::fputc('\n', stderr);
}

int usageError(const QString& text) {
    printErr(QStringLiteral("epub-polcaro-cli organise: ") + text);
    std::fputs("Run 'epub-polcaro-cli organise --help' for the options.\n", stderr);
    return 2;
}

// A JSON string literal; everything outside ASCII stays UTF-8.
QByteArray jsonString(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

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

    void setProgressTotal(int) override {}
    void setProgressPosition(int) override {}
    void resetProgress() override {}
    void ensureRowVisible(int) override {}
    void setStatus1(const QString&) override {}
    void setStatus2(const QString&) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    void clearStopRequest() override { gInterrupted = 0; }
    bool stopRequested() const override { return gInterrupted != 0; }
    organise::NamingOptions namingOptions() const override { return naming_; }
    organise::TransferMode transferMode() const override { return mode_; }
    QString outputFolder() const override { return output_; }
    bool englishUi() const override { return english_; }
    epub::MessageSink& messageSink() override { return sink_; }
    void showMessage(const QString& text) override { printErr(text); }

    void rowFinished(int row, organise::OrganiseResult result) override {
        const Row& r = list_.rows.at(static_cast<std::size_t>(row));
        const bool notEpub = result == organise::OrganiseResult::NotEpub;
        QByteArray line = "{\"source\":" + jsonString(r.source) + ",\"result\":\"" +
                          organise::resultName(result) +
                          "\",\"text\":" + jsonString(notEpub ? QString() : r.result) +
                          ",\"target\":" + jsonString(r.output) +
                          ",\"reason\":" + jsonString(r.reason) + "}\n";
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
        ++finished;
        if (result != organise::OrganiseResult::Done &&
            result != organise::OrganiseResult::TargetExists)
            allSucceeded = false;
    }

private:
    const VectorWorkList& list_;
    organise::NamingOptions naming_;
    organise::TransferMode mode_;
    QString output_;
    bool english_;
    epub::StderrMessageSink sink_;
};

struct Arguments {
    QString output;
    bool outputGiven = false;
    bool move = false;
    bool english = false;
    bool dryRun = false;
    bool help = false;
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

// Returns an empty text on success, else the usage error.
QString parse(const QStringList& args, Arguments& parsed) {
    bool folders = false;
    bool noFolders = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1String("-")) || arg == QLatin1String("-")) {
            parsed.paths.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString value;
        bool inlineValue = false;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            inlineValue = true;
        }
        const auto takeValue = [&](QString& into) {
            if (inlineValue) {
                into = value;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            into = args.at(++i);
            return true;
        };
        const auto flag = [&](bool& into) {
            into = true;
            return !inlineValue;
        };

        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            parsed.help = true;
        } else if (arg == QLatin1String("--output")) {
            if (!takeValue(parsed.output)) return QStringLiteral("--output needs a folder");
            parsed.outputGiven = true;
        } else if (arg == QLatin1String("--move")) {
            if (!flag(parsed.move)) return QStringLiteral("--move takes no value");
        } else if (arg == QLatin1String("--english")) {
            if (!flag(parsed.english)) return QStringLiteral("--english takes no value");
        } else if (arg == QLatin1String("--dry-run")) {
            if (!flag(parsed.dryRun)) return QStringLiteral("--dry-run takes no value");
        } else if (arg == QLatin1String("--no-folders")) {
            if (!flag(noFolders)) return QStringLiteral("--no-folders takes no value");
        } else if (arg == QLatin1String("--rename")) {
            QString scheme;
            if (!takeValue(scheme)) return QStringLiteral("--rename needs a scheme");
            if (scheme == QLatin1String("none"))
                parsed.naming.renameScheme = 0;
            else if (scheme == QLatin1String("creator-title"))
                parsed.naming.renameScheme = 1;
            else if (scheme == QLatin1String("title-creator"))
                parsed.naming.renameScheme = 2;
            else
                return QStringLiteral(
                           "unknown rename scheme '%1' (use none, creator-title, title-creator)")
                    .arg(scheme);
        } else if (arg == QLatin1String("--folders")) {
            QString list;
            if (!takeValue(list)) return QStringLiteral("--folders needs a list");
            QString error;
            if (!setFolders(list, parsed.naming, error)) return error;
            folders = true;
        } else {
            return QStringLiteral("unknown option '%1'").arg(arg);
        }
    }
    if (parsed.help) return QString();
    if (folders && noFolders)
        return QStringLiteral("--folders and --no-folders exclude each other");
    parsed.naming.none = noFolders;
    if (!parsed.outputGiven || parsed.output.isEmpty())
        return QStringLiteral("--output DIR is required");
    if (parsed.paths.isEmpty()) return QStringLiteral("no PATH given");
    return QString();
}

}  // namespace

int runOrganise(const QStringList& args) {
    Arguments parsed;
    const QString error = parse(args, parsed);
    if (!error.isEmpty()) return usageError(error);
    if (parsed.help) {
        std::fputs(kOrganiseUsage, stdout);
        return 0;
    }

    QString output = parsed.output;
    const QChar separator = QLatin1Char(platform::nativeSeparator());
    if (!output.endsWith(separator) && !output.endsWith(QLatin1Char('/'))) output += separator;

    // Fill the list as the window does: a folder is searched, an .epub file is added as given,
    // anything else is passed over (the window ignores it silently; here it is mentioned).
    VectorWorkList list;
    organise::FolderSearch search;
    const auto addFile = [&](const QString& path) {
        if (organise::hasEpubExtension(path)) list.rows.push_back({path, QString(), QString()});
    };
    for (const QString& path : parsed.paths) {
        if (platform::folderExists(path.toStdString())) {
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
    std::signal(SIGINT, onInterrupt);
    if (parsed.dryRun) {
        organise::DryRunFileOperations files;
        organise::OrganiseRun(list, observer, files);
    } else {
        organise::PlatformFileOperations disk;
        organise::RunJournal journal(journalFolder());
        organise::JournalingFileOperations files(disk, journal);
        organise::OrganiseRun(list, observer, files);
        if (!journal.error().isEmpty())
            printErr(QStringLiteral("epub-polcaro-cli organise: no journal: ") + journal.error());
    }
    std::signal(SIGINT, SIG_DFL);

    const bool everyBookHandled = observer.finished == list.rowCount();
    if (!everyBookHandled)
        printErr(
            QStringLiteral("epub-polcaro-cli organise: stopped; %1 of %2 books were not handled")
                .arg(list.rowCount() - observer.finished)
                .arg(list.rowCount()));
    return observer.allSucceeded && everyBookHandled ? 0 : 1;
}

}  // namespace cli
