#include "sample_books.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <stdexcept>

#include "support/epub_builder.h"

namespace sample {
namespace {

struct SampleBook {
    QString file;  // relative to the library folder, '/' between folders
    QString title;
    QStringList creators;
    QString language;
    QString series;
    QString seriesIndex;
};

// File names are what a download folder tends to hold: not the names the program would give,
// so that the run has something to do. One holds an apostrophe, which a shell command quotes.
const QList<SampleBook>& sampleBooks() {
    static const QList<SampleBook> books = {
        {QStringLiteral("magyar/egri_csillagok.epub"),
         QStringLiteral("Egri csillagok"),
         {QStringLiteral("Gárdonyi Géza")},
         QStringLiteral("hu"),
         {},
         {}},
        {QStringLiteral("magyar/Jókai - A kőszívű ember fiai.epub"),
         QStringLiteral("A kőszívű ember fiai"),
         {QStringLiteral("Jókai Mór")},
         QStringLiteral("hu"),
         {},
         {}},
        {QStringLiteral("magyar/legy_jo_mindhalalig.epub"),
         QStringLiteral("Légy jó mindhalálig"),
         {QStringLiteral("Móricz Zsigmond")},
         QStringLiteral("hu"),
         {},
         {}},
        {QStringLiteral("magyar/az_ajto.epub"),
         QStringLiteral("Az ajtó"),
         {QStringLiteral("Szabó Magda")},
         QStringLiteral("hu"),
         {},
         {}},
        {QStringLiteral("magyar/nepmesek.epub"),
         QStringLiteral("Magyar népmesék"),
         {QString()},
         QStringLiteral("hu"),
         {},
         {}},
        {QStringLiteral("magyar/kerdesek.epub"),
         QStringLiteral("Kérdések és válaszok"),
         {QStringLiteral("Ki? \"Én\" <Te|Ő>: *")},
         QStringLiteral("hu"),
         {},
         {}},
        {QStringLiteral("english/pride_and_prejudice.epub"),
         QStringLiteral("Pride and Prejudice"),
         {QStringLiteral("Jane Austen")},
         QStringLiteral("en"),
         {},
         {}},
        {QStringLiteral("english/Mary Shelley's Frankenstein.epub"),
         QStringLiteral("Frankenstein; or, The Modern Prometheus"),
         {QStringLiteral("Mary Shelley")},
         QStringLiteral("en"),
         {},
         {}},
        {QStringLiteral("english/holmes/1 study in scarlet.epub"),
         QStringLiteral("A Study in Scarlet"),
         {QStringLiteral("Arthur Conan Doyle")},
         QStringLiteral("en"),
         QStringLiteral("Sherlock Holmes"),
         QStringLiteral("1")},
        {QStringLiteral("english/holmes/2 sign of four.epub"),
         QStringLiteral("The Sign of the Four"),
         {QStringLiteral("Arthur Conan Doyle")},
         QStringLiteral("en"),
         QStringLiteral("Sherlock Holmes"),
         QStringLiteral("2")},
        {QStringLiteral("english/holmes/3 hound.epub"),
         QStringLiteral("The Hound of the Baskervilles"),
         {QStringLiteral("Arthur Conan Doyle")},
         QStringLiteral("en"),
         QStringLiteral("Sherlock Holmes"),
         QStringLiteral("3")},
        // The same book as magyar/egri_csillagok.epub, downloaded twice.
        {QStringLiteral("letöltések/Egri csillagok (1).epub"),
         QStringLiteral("Egri csillagok"),
         {QStringLiteral("Gárdonyi Géza")},
         QStringLiteral("hu"),
         {},
         {}},
    };
    return books;
}

// An .epub file that is no ZIP archive at all, as a broken download leaves it.
const char kDamagedFile[] = "letöltések/félbeszakadt letöltés.epub";

void makeParentFolder(const QString& path) {
    const QString parent = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(parent))
        throw std::runtime_error("cannot create the folder " + parent.toStdString());
}

}  // namespace

int writeSampleLibrary(const QString& folder) {
    const QDir library(folder);
    int written = 0;
    for (const SampleBook& book : sampleBooks()) {
        testsupport::BookSpec spec;
        spec.title = book.title;
        spec.creators = book.creators;
        spec.language = book.language;
        spec.series = book.series;
        spec.seriesIndex = book.seriesIndex;
        // Each book its own identifier, except that a duplicate is the same book.
        spec.identifiers = {{QStringLiteral("bookid"), QStringLiteral("UUID"),
                             QStringLiteral("urn:sample:") + book.title}};
        const QString path = library.filePath(book.file);
        makeParentFolder(path);
        QFile::remove(path);
        testsupport::writeBook(path, spec);
        ++written;
    }
    const QString damaged = library.filePath(QString::fromUtf8(kDamagedFile));
    makeParentFolder(damaged);
    QFile file(damaged);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write("PK\x03\x04 the download stopped here") < 0)
        throw std::runtime_error("cannot write " + damaged.toStdString());
    return written + 1;
}

}  // namespace sample
