#pragma once
// The favourites file "directory.txt": one output folder per line, kept in the encoding in
// which it was read.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace organise {

// How the favourites file was (or will be) encoded.
enum class FavouritesEncoding {
    // The default 8-bit encoding, no byte-order mark. Linux has no system code page; UTF-8 is
    // its de-facto one, so this is UTF-8 without a mark.
    EightBit,
    // A file without a mark that is not valid UTF-8: read as Windows-1252 (a list copied from
    // a Western Windows machine) and written back so, unless an entry cannot be represented in
    // it, in which case it is written as UTF-8 without a mark rather than losing characters.
    Windows1252,
    Utf8Bom,
    Utf16LeBom,
    Utf16BeBom,
};

// The favourites and how they were read: what the window holds from start-up to exit.
struct Favourites {
    QStringList entries;  // in file order, unsorted; empty entries are entries too
    FavouritesEncoding encoding = FavouritesEncoding::EightBit;
    // False until start-up has read the file (a missing file counts as read: it holds nothing).
    // Start-up skips the reading when no output folder was chosen; the list then holds only
    // what was added since, and SaveFavourites must not let it replace the stored list.
    bool loaded = false;
};

// settingsFolder followed by "directory.txt" (a separator is put between when missing).
QString favouritesFilePath(const QString& settingsFolder);

// Reads the favourites file. A missing file gives an empty, loaded list. Lines end at CR, LF or
// CR LF; every line, an empty one included, is one entry, and a final line break ends the last
// line rather than starting an empty one. A file that exists but cannot be read raises
// platform::Error("Cannot open file \"<path>\". <system reason>").
Favourites LoadFavourites(const QString& filePath);

// Decodes the bytes of a favourites file (exposed for tests and for the window's own checks).
Favourites DecodeFavourites(const QByteArray& bytes);
// Encodes the entries with CR LF after every line, the last included, in favourites.encoding.
QByteArray EncodeFavourites(const Favourites& favourites);

// Writes the favourites file atomically. The stored list is read first and kept as it is (its
// entries, order and encoding); the entries of favourites that it lacks (as containsFolderName
// compares) are appended, so that windows closed one after the other keep each other's entries.
// Without a stored file the list is written as it stands. A stored file that cannot be read is
// replaced only by a list that start-up did load; a list that was never loaded leaves it alone,
// and so does one that adds nothing. Raises platform::Error("Cannot create file \"<path>\".
// <system reason>") on failure.
void SaveFavourites(const QString& filePath, const Favourites& favourites);

// True when entries holds text, letter case ignored.
bool containsIgnoringCase(const QStringList& entries, const QString& text);
// True when entries holds text as the file system compares folder names: letter case ignored
// on Windows, exactly on POSIX, whose file systems tell /tmp/x from /TMP/X.
bool containsFolderName(const QStringList& entries, const QString& text);
// Appends text unless containsFolderName finds it already there (the add-to-favourites
// button). Returns whether it was appended.
bool addFavourite(QStringList& entries, const QString& text);

}  // namespace organise
