#pragma once
// The target folder and file name of a book: pure functions of the book's four text fields, the
// source path, OutputFolder and the naming options. Nothing here touches the file system.
//
// Paths use the native separator where Windows paths use the backslash: a folder level ends
// with it, and a '\' or '/' inside a metadata field used as a folder level nests on every
// platform.
#include <QChar>
#include <QString>

#include "organise/naming_options.h"

namespace organise {

// The four fields of the book record that the rules use; each may be empty.
struct BookFields {
    QString title;
    QString creator;
    QString language;
    QString series;
};

struct Target {
    QString folderPath;    // relative chain: empty, or levels each ending with a separator
    QString fileName;      // after ReplaceInvalidChars
    QString targetFolder;  // OutputFolder + folderPath
    QString targetPath;    // OutputFolder + folderPath + fileName
};

// The native separator as a QChar ('/' on POSIX, '\' on Windows).
QChar nativeSeparatorChar();

// Replaces each of '"', '*', '/', ':', '<', '>', '?', '\', '|' and U+00A6 by `replacement`;
// everything else, the length and the order stay.
QString ReplaceInvalidChars(const QString& text, QChar replacement);

// Collapses every pair of adjacent separators into one, left to right over the input without
// rescanning the output: two become one, three become two, four become two.
QString DisplayPath(const QString& path, QChar separator);
inline QString DisplayPath(const QString& path) {
    return DisplayPath(path, nativeSeparatorChar());
}

// Builds the target. OutputFolder is expected to end with a separator; nothing is added after
// it. Folder levels (Language, Creator, Series, Title, outermost first) are used verbatim apart
// from turning '\' and '/' into the native separator; an empty field leaves a separator alone.
Target BuildTarget(const QString& sourcePath, const BookFields& book, const QString& outputFolder,
                   const NamingOptions& options);

// True when a component of the relative folder chain would not be a plain folder name below the
// output folder: "." or ".." (or any name made only of dots and blanks, which Windows reads as
// one of those or as nothing). Such a book must not be organised.
bool FolderPathClimbs(const QString& folderPath);

// The first level of the relative folder chain that Windows cannot create under its name (a
// device name such as "CON" or "nul.txt", or a name ending in a dot or a blank); empty when
// every level can be created. A collection must stay valid on Windows and FAT e-readers.
QString ReservedFolderName(const QString& folderPath);

}  // namespace organise
