#include "organise/target_rules.h"

#include <QStringList>
#include <algorithm>

#include "core/path_text_qt.h"
#include "platform/path_rules.h"
#include "platform/path_text.h"

namespace organise {

namespace {

// A folder level: the field text with both '\' and '/' turned into the native separator, so that
// such a character nests the same way on every platform, followed by one separator.
QString folderLevel(const QString& field, QChar separator) {
    QString level = field;
    level.replace(QLatin1Char('\\'), separator);
    level.replace(QLatin1Char('/'), separator);
    level.append(separator);
    return level;
}

// The source extension: the last component from its last dot on, in the case it stands in.
QString extensionOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot);
}

}  // namespace

QChar nativeSeparatorChar() {
    return QLatin1Char(platform::nativeSeparator());
}

QString ReplaceInvalidChars(const QString& text, QChar replacement) {
    QString out = text;
    for (QChar& c : out) {
        switch (c.unicode()) {
            case u'"':
            case u'*':
            case u'/':
            case u':':
            case u'<':
            case u'>':
            case u'?':
            case u'\\':
            case u'|':
            case u'\u00A6':
                c = replacement;
                break;
            default:
                break;
        }
    }
    return out;
}

QString DisplayPath(const QString& path, QChar separator) {
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        out.append(path.at(i));
        // A pair collapses into the one just written; the scan goes on after the pair.
        if (path.at(i) == separator && i + 1 < path.size() && path.at(i + 1) == separator) ++i;
    }
    return out;
}

Target BuildTarget(const QString& sourcePath, const BookFields& book, const QString& outputFolder,
                   const NamingOptions& options) {
    const QChar separator = nativeSeparatorChar();
    const QString sourceName = core::lastComponent(sourcePath);
    const QString extension = extensionOf(sourceName);
    const QString dash = QStringLiteral(" - ");

    QString name;
    switch (options.renameScheme) {
        case RenameScheme::KeepSourceName:
            name = sourceName;
            break;
        case RenameScheme::CreatorTitle:
            name = book.creator + dash + book.title + extension;
            break;
        case RenameScheme::TitleCreator:
            name = book.title + dash + book.creator + extension;
            break;
        case RenameScheme::NoneSelected:
            break;
    }

    QString folders;
    if (!options.none) {
        // The nesting order is fixed, whatever order the check boxes stand in on screen.
        if (options.language) folders += folderLevel(book.language, separator);
        if (options.creator) folders += folderLevel(book.creator, separator);
        if (options.series) folders += folderLevel(book.series, separator);
        if (options.title) folders += folderLevel(book.title, separator);
    }

    Target target;
    target.folderPath = folders;
    target.fileName = ReplaceInvalidChars(name, QLatin1Char('_'));
    target.targetFolder = outputFolder + folders;
    target.targetPath = target.targetFolder + target.fileName;
    return target;
}

bool FolderPathClimbs(const QString& folderPath) {
    QString chain = folderPath;
    chain.replace(QLatin1Char('\\'), QLatin1Char('/'));
    chain.replace(nativeSeparatorChar(), QLatin1Char('/'));
    const QStringList levels = chain.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& level : levels) {
        // Windows drops trailing dots and blanks from a name, so "..." or ".. " would become
        // ".", ".." or nothing there; refuse them everywhere so a collection stays portable.
        const bool onlyDotsAndBlanks = std::all_of(level.begin(), level.end(), [](QChar c) {
            return c == QLatin1Char('.') || c == QLatin1Char(' ');
        });
        if (onlyDotsAndBlanks && level.contains(QLatin1Char('.'))) return true;
    }
    return false;
}

QString ReservedFolderName(const QString& folderPath) {
    QString chain = folderPath;
    chain.replace(nativeSeparatorChar(), QLatin1Char('/'));
    for (const QString& level : chain.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (platform::nameReservedOnWindows(core::toPlatformPath(level))) return level;
    }
    return {};
}

}  // namespace organise
