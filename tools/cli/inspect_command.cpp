// epub-polcaro-cli inspect BOOK...: every field of each book's record as one JSON line.
#include <QCommandLineParser>

#include "command_line.h"
#include "commands.h"
#include "epub/book_json.h"
#include "epub/message_sink.h"
#include "epub/path_text_qt.h"
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

}  // namespace

int runInspect(const QStringList& args) {
    const QString program = QStringLiteral("epub-polcaro-cli inspect");
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("BOOK"), QStringLiteral("an EPUB file"),
                                 QStringLiteral("BOOK..."));
    const auto usage = [&] {
        return helpText(parser, QStringLiteral("inspect [--] BOOK..."),
                        QString::fromUtf8(kExitStatus));
    };

    if (!parser.parse(QStringList{program} + args)) return usageError(program, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        printOut(usage());
        return 0;
    }
    const QStringList books = parser.positionalArguments();
    if (books.isEmpty()) {
        printErr(usage());
        return 2;
    }

    epub::StderrMessageSink messages;
    epub::XmlDocumentQueries queries(messages);
    int status = 0;
    for (const QString& path : books) {
        epub::TEpuB book(queries);
        QString error;
        try {
            book.Open(epub::pathFromOutside(path));
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
            if (error.isEmpty()) error = QStringLiteral("cannot read the book");
            status = 1;
        }
        platform::writeStandardOutput((epub::bookToJson(book, error) + '\n').toStdString());
    }
    return status;
}

}  // namespace cli
