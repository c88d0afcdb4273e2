#include "organise/book_reading.h"

#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "epub/tepub.h"
#include "organise/exception_text.h"

namespace organise {

namespace {

class RecordingSink final : public core::MessageSink {
public:
    explicit RecordingSink(QStringList& messages) : messages_(messages) {}
    void showMessage(const QString& text) override { messages_.append(text); }

private:
    QStringList& messages_;
};

std::optional<platform::FileStatus> statusOf(const QString& path) {
    platform::OsError error;
    return platform::fileStatus(core::toPlatformPath(path), error);
}

// Reads the book from file, or from the disk when nothing was fetched of it.
std::optional<BookFields> readBook(const QString& source, std::optional<epub::BookFile> file,
                                   core::MessageSink& messages, QString* error) {
    try {
        // The book lives only while it is read; nothing of it outlives this block.
        epub::TEpuB book(messages);
        if (file)
            book.Open(source, std::move(*file));
        else
            book.Open(source);
        return BookFields{std::move(book.Title), std::move(book.Creator), std::move(book.Language),
                          std::move(book.Series)};
    } catch (...) {
        // Whatever the reader raised, the book is unreadable, and its text is the reason.
        if (error) *error = currentExceptionText();
        return std::nullopt;
    }
}

}  // namespace

std::optional<BookFields> readBookNow(const QString& source, core::MessageSink& messages,
                                      QString* error) {
    return readBook(source, std::nullopt, messages, error);
}

FetchedBook fetchBookAhead(const QString& source) {
    FetchedBook fetched;
    // The status first: a change to the file after it is seen at the book's turn.
    fetched.status = statusOf(source);
    if (fetched.status) fetched.file = epub::BookFile::fetch(source);
    return fetched;
}

BookReading readBookAhead(const QString& source) {
    return readBookAhead(source, fetchBookAhead(source));
}

BookReading readBookAhead(const QString& source, FetchedBook fetched) {
    BookReading reading;
    reading.source = source;
    reading.status = fetched.status;
    if (!reading.status) return reading;  // read at its turn, if it is there by then
    RecordingSink sink(reading.messages);
    if (std::optional<BookFields> fields =
            readBook(source, std::move(fetched.file), sink, &reading.error)) {
        reading.opened = true;
        reading.fields = std::move(*fields);
    }
    return reading;
}

bool readingIsCurrent(const BookReading& reading, const QString& source) {
    return reading.status && reading.source == source && statusOf(source) == reading.status;
}

}  // namespace organise
