// epub-polcaro-cli inspect BOOK...: every field of each book's record as one JSON line.
#include <QCommandLineParser>
#include <QStringList>
#include <string>
#include <utility>

#include "command_line.h"
#include "commands.h"
#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "epub/book_file.h"
#include "epub/book_json.h"
#include "epub/read_ahead.h"
#include "epub/tepub.h"
#include "platform/process.h"

namespace cli {

namespace {

constexpr char kDescription[] =
    "Opens each EPUB file and prints its record as one JSON object per line on stdout:\n"
    "FileName, Loaded, Title, Creator, Publisher, Language, Subject, Date, Source, Description,\n"
    "Identifier, Series, SeriesIndex, Isbn, Subjects, Version, CoverPath, OpfPath, OpfFolder,\n"
    "Manifest, Spine, Toc (Label, Src), LastIndex, CurrentIndex; and \"error\" when the book\n"
    "could not be opened. Messages of the reader go to stderr.";

constexpr char kExitStatus[] =
    "Exit status: 0 every book opened, 1 some book failed, 2 usage error.\n";

struct InspectedBook {
    std::string line;
    QStringList messages;
    bool failed = false;
};

class RecordingSink final : public core::MessageSink {
public:
    QStringList messages;
    void showMessage(const QString& text) override { messages.append(text); }
};

// Reads one book, from what was fetched of it, into its JSON line; safe on any thread.
InspectedBook inspect(const QString& path, epub::BookFile file) {
    RecordingSink sink;
    epub::TEpuB book(sink);
    InspectedBook inspected;
    QString error;
    try {
        book.Open(path, std::move(file));
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
        if (error.isEmpty()) error = QStringLiteral("cannot read the book");
        inspected.failed = true;
    }
    // Copied once, into room for the line break too: a record runs to tens of kilobytes.
    const QByteArray json = epub::bookToJson(book, error);
    inspected.line.reserve(std::size_t(json.size()) + 1);
    inspected.line.append(json.constData(), std::size_t(json.size())).push_back('\n');
    inspected.messages = std::move(sink.messages);
    return inspected;
}

}  // namespace

int runInspect(const QStringList& args) {
    const QString program = QStringLiteral("epub-polcaro-cli inspect");
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("Parse N books at a time (default: one per core), while more are read "
                       "from the disk ahead; the output keeps the order of the arguments."),
        QStringLiteral("N"));
    parser.addOption(jobsOption);
    parser.addPositionalArgument(QStringLiteral("BOOK"), QStringLiteral("an EPUB file"),
                                 QStringLiteral("BOOK..."));
    const auto usage = [&] {
        return helpText(parser, QStringLiteral("inspect [--jobs N] [--] BOOK..."),
                        QString::fromUtf8(kExitStatus));
    };

    if (!parser.parse(QStringList{program} + args)) return usageError(program, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        printOut(usage());
        return 0;
    }
    int jobs = epub::defaultReadAheadThreads();
    if (parser.isSet(jobsOption)) {
        bool number = false;
        jobs = parser.value(jobsOption).toInt(&number);
        if (!number || jobs < 1)
            return usageError(program, QStringLiteral("--jobs takes a whole number from 1 up"));
    }
    const QStringList books = parser.positionalArguments();
    if (books.isEmpty()) {
        printErr(usage());
        return 2;
    }

    // Books are fetched from the disk many at a time, parsed on `jobs` threads (this one when
    // jobs is 1) and printed in argument order, each book's messages (on stderr) just before
    // its line, as a single-threaded reading would print them.
    const int ioThreads = epub::defaultReadAheadIoThreads();
    epub::ReadAhead<InspectedBook> ahead(jobs > 1 ? jobs : 0,
                                         epub::readAheadWindow(jobs, ioThreads), ioThreads);
    core::StderrMessageSink stderrSink;
    int status = 0;
    const auto printNext = [&] {
        const InspectedBook book = ahead.take();
        for (const QString& text : book.messages) stderrSink.showMessage(text);
        platform::writeStandardOutput(book.line);
        if (book.failed) status = 1;
    };
    for (const QString& path : books) {
        if (ahead.full()) printNext();
        const QString book = core::pathFromOutside(path);
        ahead.push([book] { return epub::BookFile::fetch(book); },
                   [book](epub::BookFile file) { return inspect(book, std::move(file)); });
    }
    while (!ahead.empty()) printNext();
    return status;
}

}  // namespace cli
