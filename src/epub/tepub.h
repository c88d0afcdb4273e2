#pragma once
// TEpuB: the in-memory record of one EPUB book, filled by Open from the book's container
// document, package document and NCX.
//
//   core::StderrMessageSink sink;            // or the window's message-box sink
//   epub::TEpuB book(sink);
//   try {
//       book.Open(path);                     // throws epub::BookReadError when unreadable
//       use(book.Title, book.Creator, book.Language, book.Series);
//   } catch (const epub::BookReadError& e) { ... e.what() ... }
//
// Only one Open may run at a time per XmlDocumentQueries; a book made with the one-argument
// constructor has its own and is independent of every other book.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "epub/errors.h"
#include "epub/work_buffer.h"
#include "epub/xml_queries.h"

namespace core {
class MessageSink;
}

namespace epub {
class BookFile;
class OpenArchive;

inline const QString ContainerEntryName = QStringLiteral("META-INF\\container.xml");

// The record's fields, each initialised to its value before Open; clearing the record is
// assigning a fresh one, so a new field is cleared without further code. forEachField lists
// them in the record's order for the JSON writer; a new field is added there, right below.
struct BookRecord {
    bool Loaded = false;
    QString FileName;
    QString Title;
    QString Creator;  // the last creator only
    QString Publisher;
    QString Language;  // as written
    QString Subject;   // the last subject
    QString Date;
    QString Source;
    QString Description;
    QString Identifier;
    QString Series;
    QString SeriesIndex;  // as written
    QString Isbn;
    QStringList Subjects;
    QString Version;
    QString CoverPath;     // as written, relative to OpfFolder
    QString OpfPath;       // backslashes
    QString OpfFolder;     // OpfPath without its last component
    QStringList Manifest;  // content documents in reading order, backslashes
    QStringList Spine;     // idrefs
    QList<TocEntry> Toc;   // pre-order
    std::int32_t LastIndex = -1;
    std::int32_t CurrentIndex = -1;

    template <class Visit>
    void forEachField(Visit&& visit) const {
        visit("FileName", FileName);
        visit("Loaded", Loaded);
        visit("Title", Title);
        visit("Creator", Creator);
        visit("Publisher", Publisher);
        visit("Language", Language);
        visit("Subject", Subject);
        visit("Date", Date);
        visit("Source", Source);
        visit("Description", Description);
        visit("Identifier", Identifier);
        visit("Series", Series);
        visit("SeriesIndex", SeriesIndex);
        visit("Isbn", Isbn);
        visit("Subjects", Subjects);
        visit("Version", Version);
        visit("CoverPath", CoverPath);
        visit("OpfPath", OpfPath);
        visit("OpfFolder", OpfFolder);
        visit("Manifest", Manifest);
        visit("Spine", Spine);
        visit("Toc", Toc);
        visit("LastIndex", LastIndex);
        visit("CurrentIndex", CurrentIndex);
    }
};

class TEpuB : public BookRecord {
public:
    // A book with its own query object; messages receive the "Hiba" texts.
    explicit TEpuB(core::MessageSink& messages);
    // A book that uses a shared query object (which carries its own message sink).
    explicit TEpuB(XmlDocumentQueries& queries);
    ~TEpuB();
    TEpuB(const TEpuB&) = delete;
    TEpuB& operator=(const TEpuB&) = delete;

    // Clears the record, then reads the book at path. Throws BookReadError (or a subclass)
    // when the book cannot be read; the fields filled before the failure keep their values and
    // Loaded stays false.
    void Open(const QString& path);
    // The same, from what was fetched of the file at path ahead (see book_file.h).
    void Open(const QString& path, BookFile file);
    // Every text and list empty, Loaded false, LastIndex and CurrentIndex -1.
    void Clear();
    // Fills the metadata fields from the package document the query object holds. Any error
    // is reported as "Hiba\r\n" + message; the fields not yet reached stay empty.
    void ReadMetadata();
    // Reads one archive entry into buffer (see readEntry in archive_reader.h).
    bool ReadEntry(const QString& path, const QString& entryName, epub::WorkBuffer& buffer) const;

    epub::WorkBuffer WorkBuffer;

private:
    bool readInto(const OpenArchive& archive, const QString& entryName);
    void refuseDamagedEntry(const QString& entryName) const;

    std::unique_ptr<XmlDocumentQueries> ownQueries_;
    XmlDocumentQueries& queries_;
};

}  // namespace epub
