#include "organise/organise_book.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "core/message_catalogue.h"
#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "organise/exception_text.h"
#include "organise/target_rules.h"
#include "platform/error.h"
#include "platform/path_rules.h"
#include "platform/path_text.h"

namespace organise {

namespace {

QString collapsed(const QString& path) {
    return core::fromPlatformPath(platform::collapseSeparators(core::toPlatformPath(path)));
}

// The rules add nothing after OutputFolder, so one that lacks its separator would put every
// book beside the output folder instead of into it. A folder given with '/' (allowed on Windows
// too) takes the native separator first, as every path entering the program does.
QString outputFolderOf(const BookSettings& settings) {
    return core::fromPlatformPath(platform::withTrailingSeparator(
        platform::toNativeSeparators(core::toPlatformPath(settings.outputFolder))));
}

// Creates every missing level of the (collapsed) folder, outermost first; the caller has seen
// that the folder itself is missing. Returns the error of the first level that cannot be
// created, with that level in `failedLevel`; a level that another run created meanwhile counts
// as created. A level that Windows could not hold is left to the copy, which refuses its path.
platform::OsError createMissingLevels(const QString& folder, FileOperations& files,
                                      QString& failedLevel) {
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
        const QString name = core::lastComponent(level);
        if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) return {};
        const platform::OsError error = files.createFolder(level);
        if (error && !(error.is(platform::ErrorCondition::Exists) && files.folderExists(level))) {
            failedLevel = level;
            return error;
        }
    }
    return {};
}

// The reasons the run words itself come from the catalogue, in the interface's language; the
// system's and the reader's texts come as they are.
using core::message;
using core::MessageId;

QString systemText(const platform::OsError& error) {
    return QString::fromStdString(error.describe());
}

// Why the Windows naming rules refuse a path: the characters they do not allow in a name, or
// else its length.
QString refusedPathReason(const QString& path, bool english) {
    QString refused;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path.at(i);
        const bool driveColon = c == QLatin1Char(':') && i == 1 && path.at(0).isLetter();
        const bool bad = c.unicode() < 0x20 || QStringLiteral("\"<>|*?").contains(c) ||
                         (c == QLatin1Char(':') && !driveColon);
        if (!bad) continue;
        const QString shown = c.unicode() < 0x20
                                  ? QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                                  : QString(c);
        if (!refused.split(QLatin1Char(' ')).contains(shown))
            refused += (refused.isEmpty() ? QString() : QStringLiteral(" ")) + shown;
    }
    if (!refused.isEmpty())
        return message(MessageId::WindowsCharacterRefused, english) + refused +
               QStringLiteral(" (") + path + QLatin1Char(')');
    return message(MessageId::WindowsPathTooLong, english).arg(path.size()) + path;
}

QString reservedNameReason(const QString& name, const QString& path, bool english) {
    return message(MessageId::WindowsNameReserved, english) + name + QStringLiteral(" (") + path +
           QLatin1Char(')');
}

// Step B: the copy or the move to `to`, the target path with its separators collapsed. Any
// failure, refused paths included, is CopyFailed. `nativeSource` is the source's platform form.
OrganiseResult transfer(const QString& source, const std::string& nativeSource,
                        const Target& target, const QString& to, TransferMode mode,
                        FileOperations& files, bool english, QString& reason) {
    try {
        // An empty file name makes the target path the folder itself: nothing to copy onto.
        if (target.fileName.isEmpty()) {
            reason = message(MessageId::TargetFileNameEmpty, english);
            return OrganiseResult::CopyFailed;
        }
        if (platform::nameReservedOnWindows(core::toPlatformPath(target.fileName))) {
            reason = reservedNameReason(target.fileName, DisplayPath(to), english);
            return OrganiseResult::CopyFailed;
        }
        if (!platform::transferPathAcceptable(nativeSource)) {
            reason = refusedPathReason(DisplayPath(source), english);
            return OrganiseResult::CopyFailed;
        }
        if (!platform::transferPathAcceptable(core::toPlatformPath(to))) {
            reason = refusedPathReason(DisplayPath(to), english);
            return OrganiseResult::CopyFailed;
        }
        const platform::OsError error =
            mode == TransferMode::Move ? files.moveFile(source, to) : files.copyFile(source, to);
        if (!error) return OrganiseResult::Done;
        // A file that appeared after the existence test (another run into the same output) is
        // the same outcome as one that was there before; a folder of that name is not.
        if (error.is(platform::ErrorCondition::Exists) && files.fileExists(to))
            return OrganiseResult::TargetExists;
        reason = systemText(error);
        return OrganiseResult::CopyFailed;
    } catch (...) {
        reason = currentExceptionText();
        return OrganiseResult::CopyFailed;
    }
}

// What holds the name a TargetExists book would have taken, and the row's reason for it. The
// book is never touched because of it.
ExistingTarget compareWithExisting(const QString& source, const QString& existing,
                                   FileOperations& files, bool english, QString& reason) {
    bool same = false;
    bool compared = false;
    QString failure;
    try {
        const platform::OsError error = files.sameContents(source, existing, same);
        compared = !error;
        if (error) failure = systemText(error);
    } catch (...) {
        failure = currentExceptionText();
    }
    same = same && compared;
    reason = message(same ? MessageId::ExistingIdentical : MessageId::ExistingDifferent, english);
    // A file that cannot be read through is not known to be the same book.
    if (!compared)
        reason += QStringLiteral(" (") + message(MessageId::ExistingNotCompared, english) +
                  failure + QLatin1Char(')');
    return same ? ExistingTarget::Identical : ExistingTarget::Different;
}

// Step A and B; `to` is the collapsed target path once it is known.
OrganiseResult organiseBook(const QString& source, const std::string& nativeSource, int row,
                            WorkList& list, const BookSettings& settings,
                            core::MessageSink& messages, FileOperations& files,
                            const BookReading* ahead, QString& reason, QString& to) {
    const bool english = settings.englishUi;
    // Without an output folder every target would be relative to the working folder.
    if (settings.outputFolder.isEmpty()) {
        reason = message(MessageId::OutputFolderNotSelected, english);
        return OrganiseResult::ReadFailed;
    }
    // Step A: reading the book, building the target and creating its folders.
    try {
        // Asked through the seam, so that a dry run sees a source an earlier row moved away.
        if (!files.fileExists(source)) {
            reason = message(MessageId::SourceFileMissing, english);
            return OrganiseResult::ReadFailed;
        }
        std::optional<BookFields> read;
        QString readError;
        if (ahead && readingIsCurrent(*ahead, source)) {
            // Read earlier on a worker: its messages are shown now, in the order it met them.
            for (const QString& text : ahead->messages) messages.showMessage(text);
            if (ahead->opened)
                read = ahead->fields;
            else
                readError = ahead->error;
        } else {
            read = readBookNow(source, messages, &readError);
        }
        if (!read) {
            reason = readError;
            return OrganiseResult::ReadFailed;
        }
        const BookFields& fields = *read;
        const Target target =
            BuildTarget(source, fields, outputFolderOf(settings), settings.naming);
        // Metadata must never place a book outside the output folder.
        if (FolderPathClimbs(target.folderPath)) {
            reason = message(MessageId::MetadataLeavesOutputFolder, english) +
                     DisplayPath(target.folderPath);
            return OrganiseResult::ReadFailed;
        }
        if (const QString reserved = ReservedFolderName(target.folderPath); !reserved.isEmpty()) {
            reason = reservedNameReason(reserved, DisplayPath(target.targetFolder), english);
            return OrganiseResult::ReadFailed;
        }
        OrganiseResult result;
        to = collapsed(target.targetPath);
        if (files.fileExists(to)) {
            result = OrganiseResult::TargetExists;
        } else {
            const QString folder = collapsed(target.targetFolder);
            QString failedLevel;
            platform::OsError folderError;
            if (!files.folderExists(folder)) {
                if (!platform::folderPathAcceptable(core::toPlatformPath(folder))) {
                    reason = refusedPathReason(DisplayPath(folder), english);
                    return OrganiseResult::ReadFailed;
                }
                folderError = createMissingLevels(folder, files, failedLevel);
            }
            if (folderError) {
                // Without its folder the book cannot be copied: the reason says why it is missing.
                reason = message(MessageId::FolderNotCreated, english) + DisplayPath(failedLevel) +
                         QStringLiteral(" (") + systemText(folderError) + QLatin1Char(')');
                result = OrganiseResult::CopyFailed;
            } else {
                result = transfer(source, nativeSource, target, to, settings.mode, files, english,
                                  reason);
            }
        }
        list.setOutputText(row, DisplayPath(target.targetPath));
        return result;
    } catch (...) {
        // Whatever went wrong while reading or building the target: an unreadable book.
        reason = currentExceptionText();
        return OrganiseResult::ReadFailed;
    }
}

}  // namespace

BookOutcome OrganiseBook(const QString& source, int row, WorkList& list,
                         const BookSettings& settings, core::MessageSink& messages,
                         FileOperations& files, const BookReading* ahead) {
    // The source's platform form, made once for the checks on its text.
    const std::string nativeSource = core::toPlatformPath(source);
    if (!platform::isEpubFileName(nativeSource)) return {OrganiseResult::NotEpub};
    QString reason;
    QString target;
    BookOutcome outcome;
    outcome.result = organiseBook(source, nativeSource, row, list, settings, messages, files, ahead,
                                  reason, target);
    if (outcome.result == OrganiseResult::TargetExists)
        outcome.existing = compareWithExisting(source, target, files, settings.englishUi, reason);
    list.setReason(row, shortenedReason(reason));
    return outcome;
}

}  // namespace organise
