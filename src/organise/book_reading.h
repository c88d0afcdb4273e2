#pragma once
// What reading one book gives the organise run: its four fields and the messages the book model
// would have shown. Reading has no side effects and depends on nothing the user can change
// during a run, so the run may read books ahead on worker threads; deciding, touching the disk
// and showing the messages still happen at the book's turn.
#include <QString>
#include <QStringList>
#include <optional>

#include "epub/book_file.h"
#include "organise/target_rules.h"
#include "platform/file_status.h"

namespace core {
class MessageSink;
}

namespace organise {

struct BookReading {
    QString source;
    // The file as it was just before it was read. A reading whose file has changed since (or
    // could not be seen) is not used: the book is read again at its turn.
    std::optional<platform::FileStatus> status;
    bool opened = false;  // false: the book model could not read it
    QString error;        // then the reader's error, when it raised one
    BookFields fields;
    // The book model's messages, in the order it showed them; shown at the book's turn.
    QStringList messages;
};

// What reading a book ahead first takes from the disk: the file's status, then the parts of
// the file that opening the book needs.
struct FetchedBook {
    std::optional<platform::FileStatus> status;
    epub::BookFile file;
};

// The first stage of readBookAhead, for an I/O thread. Safe on any thread.
FetchedBook fetchBookAhead(const QString& source);

// Reads the book at source. Safe on any thread; touches nothing but the file.
BookReading readBookAhead(const QString& source);
// The same from what fetchBookAhead(source) gave.
BookReading readBookAhead(const QString& source, FetchedBook fetched);

// True when the reading still describes the file at source as it stands now.
bool readingIsCurrent(const BookReading& reading, const QString& source);

// Reads the book at its turn: its messages go straight to messages. Empty when it cannot be
// read; the reader's error then goes to `error`, when given.
std::optional<BookFields> readBookNow(const QString& source, core::MessageSink& messages,
                                      QString* error = nullptr);

}  // namespace organise
