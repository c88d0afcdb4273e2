#include "organise/organise_book.h"

#include <exception>
#include <optional>
#include <vector>

#include "epub/message_sink.h"
#include "epub/path_text_qt.h"
#include "organise/extension.h"
#include "organise/target_rules.h"
#include "platform/path_rules.h"
#include "platform/path_text.h"

namespace organise {

namespace {

QString collapsed(const QString& path) {
    return epub::fromPlatformPath(platform::collapseSeparators(epub::toPlatformPath(path)));
}

// The rules add nothing after OutputFolder, so one that lacks its separator would put every
// book beside the output folder instead of into it. A folder given with '/' (allowed on Windows
// too) takes the native separator first, as every path entering the program does.
QString outputFolderOf(const BookSettings& settings) {
    return epub::fromPlatformPath(platform::withTrailingSeparator(
        platform::toNativeSeparators(epub::toPlatformPath(settings.outputFolder))));
}

// Creates every missing level of the (collapsed) folder, outermost first; the caller has seen
// that the folder itself is missing. A level that cannot be created raises nothing: the copy
// then finds no folder and fails.
void createMissingLevels(const QString& folder, FileOperations& files) {
    const QChar separator = nativeSeparatorChar();
    std::vector<qsizetype> ends;  // the length of each level's path, outermost first
    for (qsizetype at = folder.indexOf(separator, 1); at >= 0;
         at = folder.indexOf(separator, at + 1))
        ends.push_back(at);
    if (!folder.endsWith(separator)) ends.push_back(folder.size());

    // Look upwards for the deepest level that exists: usually the output folder or one below it.
    std::size_t first = ends.size();
    while (first > 0 && !files.folderExists(folder.left(ends[first - 1]))) --first;

    for (std::size_t k = first; k < ends.size(); ++k) {
        const QString level = folder.left(ends[k]);
        // Windows refuses '*' and '?' in a name; refusing them here too keeps a collection built
        // on another system free of folders Windows cannot hold. Deeper levels cannot follow.
        const QString name = level.mid(level.lastIndexOf(separator) + 1);
        if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) return;
        files.createFolder(level);
    }
}

// Step B: the copy or the move. Any failure, refused paths included, is CopyFailed.
OrganiseResult transfer(const QString& source, const Target& target, TransferMode mode,
                        FileOperations& files) {
    try {
        // An empty file name makes the target path the folder itself: nothing to copy onto.
        if (target.fileName.isEmpty()) return OrganiseResult::CopyFailed;
        const QString to = collapsed(target.targetPath);
        if (!platform::transferPathAcceptable(epub::toPlatformPath(source)) ||
            !platform::transferPathAcceptable(epub::toPlatformPath(to)))
            return OrganiseResult::CopyFailed;
        const int error =
            mode == TransferMode::Move ? files.moveFile(source, to) : files.copyFile(source, to);
        return error == 0 ? OrganiseResult::Done : OrganiseResult::CopyFailed;
    } catch (...) {
        return OrganiseResult::CopyFailed;
    }
}

}  // namespace

OrganiseResult OrganiseBook(const QString& source, int row, WorkList& list,
                            const BookSettings& settings, epub::MessageSink& messages,
                            FileOperations& files, const BookReading* ahead) {
    if (!hasEpubExtension(source)) return OrganiseResult::NotEpub;
    // Without an output folder every target would be relative to the working folder.
    if (settings.outputFolder.isEmpty()) return OrganiseResult::ReadFailed;

    // Step A: reading the book, building the target and creating its folders.
    try {
        // Asked through the seam, so that a dry run sees a source an earlier row moved away.
        if (!files.fileExists(source)) return OrganiseResult::ReadFailed;
        std::optional<BookFields> read;
        if (ahead && readingIsCurrent(*ahead, source)) {
            // Read earlier on a worker: its messages are shown now, in the order it met them.
            for (const QString& text : ahead->messages) messages.showMessage(text);
            if (ahead->opened) read = ahead->fields;
        } else {
            read = readBookNow(source, messages);
        }
        if (!read) return OrganiseResult::ReadFailed;
        const BookFields& fields = *read;
        const Target target =
            BuildTarget(source, fields, outputFolderOf(settings), settings.naming);

        // Metadata must never place a book outside the output folder.
        if (FolderPathClimbs(target.folderPath)) return OrganiseResult::ReadFailed;

        OrganiseResult result;
        if (files.fileExists(collapsed(target.targetPath))) {
            result = OrganiseResult::TargetExists;
        } else {
            const QString folder = collapsed(target.targetFolder);
            if (!files.folderExists(folder)) {
                if (!platform::folderPathAcceptable(epub::toPlatformPath(folder)))
                    return OrganiseResult::ReadFailed;
                createMissingLevels(folder, files);
            }
            result = transfer(source, target, settings.mode, files);
        }
        list.setOutputText(row, DisplayPath(target.targetPath));
        return result;
    } catch (...) {
        // Whatever went wrong while reading or building the target: an unreadable book.
        return OrganiseResult::ReadFailed;
    }
}

}  // namespace organise
