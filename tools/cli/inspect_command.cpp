// epub-polcaro-cli inspect BOOK...: every field of each book's record as one JSON line.
#include <QFile>
#include <cstdio>

#include "commands.h"
#include "epub/book_json.h"
#include "epub/message_sink.h"
#include "epub/tepub.h"

namespace cli {

namespace {

constexpr char kInspectUsage[] =
    "Usage: epub-polcaro-cli inspect [--] BOOK...\n"
    "\n"
    "Opens each EPUB file and prints its record as one JSON object per line on stdout:\n"
    "FileName, Loaded, Title, Creator, Publisher, Language, Subject, Date, Source, Description,\n"
    "Identifier, Series, SeriesIndex, Isbn, Subjects, Version, CoverPath, OpfPath, OpfFolder,\n"
    "Manifest, Spine, Toc (Label, Src), LastIndex, CurrentIndex; and \"error\" when the book "
    "could\n"
    "not be opened. Messages of the reader go to stderr.\n"
    "\n"
    "Exit status: 0 every book opened, 1 some book failed, 2 usage error.\n";

}  // namespace

int runInspect(const QStringList& args) {
    QStringList books;
    bool options = true;
    for (const QString& arg : args) {
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            std::fputs(kInspectUsage, stdout);
            return 0;
        } else if (options && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            std::fprintf(stderr, "epub-polcaro-cli inspect: unknown option '%s'\n\n%s",
                         arg.toUtf8().constData(), kInspectUsage);
            return 2;
        } else {
            books.append(arg);
        }
    }
    if (books.isEmpty()) {
        std::fputs(kInspectUsage, stderr);
        return 2;
    }

    epub::StderrMessageSink messages;
    epub::XmlDocumentQueries queries(messages);
    int status = 0;
    for (const QString& path : books) {
        epub::TEpuB book(queries);
        QString error;
        try {
            book.Open(path);
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
            if (error.isEmpty()) error = QStringLiteral("cannot read the book");
            status = 1;
        }
        QByteArray line = epub::bookToJson(book, error);
        line.append('\n');
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
    }
    return status;
}

}  // namespace cli
