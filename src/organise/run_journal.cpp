#include "organise/run_journal.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTimeZone>
#include <algorithm>
#include <exception>
#include <string>

#include "core/json_writer.h"
#include "core/path_text_qt.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/listing.h"

namespace organise {

namespace {

const QLatin1String kPrefix("run-");
const QLatin1String kSuffix(".jsonl");

using core::toPlatformPath;

// "run-20261208-214152-123" sorts by time; a second journal of the same millisecond gets "-2".
QString stemOf(const QString& name) {
    return name.left(name.size() - kSuffix.size());
}

bool isJournalName(const QString& name) {
    return name.startsWith(kPrefix) && name.endsWith(kSuffix) &&
           name.size() > kPrefix.size() + kSuffix.size();
}

// The journal may be undone from another working folder (the window, or the command line
// started elsewhere), so it never holds a relative path.
QString absolute(const QString& path) {
    if (!QDir::isRelativePath(path)) return path;
    return core::joinPath(core::pathFromOutside(QDir::currentPath()), path);
}

// One line of a journal as read back.
struct ParsedLine {
    enum class Kind { Unreadable, Header, Output, Folder, Book, Done, Failed, Back, Undone };
    Kind kind = Kind::Unreadable;
    JournalEntry entry;    // Folder and Book; Done, Failed and Back carry their target here
    QString outputFolder;  // Header and Output
    QString started;       // Header
};

ParsedLine parseLine(const QByteArray& line) {
    ParsedLine parsed;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) return parsed;
    const QJsonObject object = document.object();
    const auto text = [&object](const char* key) {
        return object.value(QLatin1String(key)).toString();
    };
    const auto has = [&object](const char* key) { return object.contains(QLatin1String(key)); };
    if (has("undone")) {
        parsed.kind = ParsedLine::Kind::Undone;
    } else if (has("journal") || (has("output") && object.size() == 1)) {
        parsed.kind = has("journal") ? ParsedLine::Kind::Header : ParsedLine::Kind::Output;
        parsed.outputFolder = text("output");
        parsed.started = text("started");
        parsed.entry.mode =
            text("mode") == QLatin1String("move") ? TransferMode::Move : TransferMode::Copy;
    } else if (has("back")) {
        parsed.entry.target = text("back");
        if (!parsed.entry.target.isEmpty()) parsed.kind = ParsedLine::Kind::Back;
    } else if (has("folder")) {
        parsed.entry.kind = JournalEntry::Kind::Folder;
        parsed.entry.target = text("folder");
        if (!parsed.entry.target.isEmpty()) parsed.kind = ParsedLine::Kind::Folder;
    } else if (has("failed")) {
        parsed.entry.target = text("failed");
        if (!parsed.entry.target.isEmpty()) parsed.kind = ParsedLine::Kind::Failed;
    } else {
        const QJsonValue size = object.value(QLatin1String("size"));
        const QJsonValue mtime = object.value(QLatin1String("mtime"));
        const bool withStatus = size.isDouble() && mtime.isDouble();
        parsed.entry.written.size = size.toInteger(-1);
        parsed.entry.written.modifiedNs = mtime.toInteger(0);
        if (has("done")) {
            parsed.entry.target = text("done");
            if (!parsed.entry.target.isEmpty() && withStatus) parsed.kind = ParsedLine::Kind::Done;
            return parsed;
        }
        const QString mode = text("mode");
        parsed.entry.kind = JournalEntry::Kind::Book;
        parsed.entry.mode = mode == QLatin1String("move") ? TransferMode::Move : TransferMode::Copy;
        parsed.entry.source = text("source");
        parsed.entry.target = text("target");
        // An earlier version's line: the book arrived, with its status on the same line.
        parsed.entry.confirmed = withStatus;
        if ((mode == QLatin1String("copy") || mode == QLatin1String("move")) &&
            !parsed.entry.source.isEmpty() && !parsed.entry.target.isEmpty() &&
            (!withStatus || parsed.entry.written.size >= 0))
            parsed.kind = ParsedLine::Kind::Book;
    }
    return parsed;
}

// The deepest folder that holds every book and every created folder of a journal without a
// first line: the output folder of a run of an earlier version, as far as the journal shows it.
QString commonOutputFolder(const QList<JournalEntry>& entries) {
    QString common;
    bool first = true;
    for (const JournalEntry& entry : entries) {
        // A created folder lies below the output folder too: its parent holds it.
        const QString folder = core::withTrailingSeparator(core::parentFolder(entry.target));
        if (first) {
            common = folder;
            first = false;
            continue;
        }
        qsizetype length = 0;
        while (length < common.size() && length < folder.size() &&
               common.at(length) == folder.at(length))
            ++length;
        common = common.left(length);
        // Back to the last whole folder.
        while (!common.isEmpty() && !platform::isSeparator(common.back().toLatin1()))
            common.chop(1);
    }
    return common;
}

void removeOldJournals(const QString& folder) {
    const QStringList files = JournalFiles(folder);
    for (qsizetype k = 0; k + kJournalsKept < files.size(); ++k)
        platform::deleteFile(toPlatformPath(files.at(k)));
}

}  // namespace

QString journalFolder(const QString& settingsFolder) {
    if (settingsFolder.isEmpty()) return QString();
    return core::withTrailingSeparator(core::joinPath(settingsFolder, QStringLiteral("journal")));
}

RunJournal::RunJournal(QString folder, QString outputFolder, TransferMode mode)
    : folder_(folder.isEmpty() ? QString() : core::withTrailingSeparator(folder)),
      outputFolder_(outputFolder.isEmpty() ? QString()
                                           : core::withTrailingSeparator(absolute(outputFolder))),
      mode_(mode) {}

bool RunJournal::open() {
    if (file_.isOpen()) return true;
    if (!error_.isEmpty() || folder_.isEmpty()) return false;
    try {
        // The settings folder exists (the front end fixes it at start-up); the journal folder
        // is one level below it.
        const std::string folder = toPlatformPath(folder_);
        if (!platform::folderExists(folder)) {
            const platform::OsError error = platform::createFolder(folder);
            // Another process may have created it since it was looked at.
            if (error &&
                !(error.is(platform::ErrorCondition::Exists) && platform::folderExists(folder))) {
                error_ = QStringLiteral("cannot create %1: %2")
                             .arg(folder_, QString::fromStdString(error.describe()));
                return false;
            }
        }
    } catch (const std::exception& e) {
        error_ = QString::fromStdString(e.what());
        return false;
    }
    const QString stem =
        kPrefix + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    platform::OsError error;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString candidate = folder_ + stem +
                                  (attempt > 1 ? QStringLiteral("-%1").arg(attempt) : QString()) +
                                  kSuffix;
        error = file_.create(toPlatformPath(candidate));
        if (!error) {
            path_ = candidate;
            removeOldJournals(folder_);
            appendOpen(
                core::JsonObject()
                    .add("journal", std::int32_t(1))
                    .add("mode", mode_ == TransferMode::Move ? "move" : "copy")
                    .add("output", outputFolder_)
                    .add("started", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs))
                    .line());
            return true;
        }
        if (!error.is(platform::ErrorCondition::Exists))
            break;  // not a name clash: trying other names will not help
    }
    error_ = QString::fromStdString(error.describe());
    return false;
}

void RunJournal::append(const QByteArray& line) {
    if (!open()) return;
    appendOpen(line);
}

void RunJournal::appendOpen(const QByteArray& line) {
    if (const platform::OsError error = file_.append(line.toStdString()); error && error_.isEmpty())
        error_ = QString::fromStdString(error.describe());
}

void RunJournal::recordOutputFolder(const QString& outputFolder) {
    const QString folder =
        outputFolder.isEmpty() ? QString() : core::withTrailingSeparator(absolute(outputFolder));
    if (folder == outputFolder_) return;
    outputFolder_ = folder;
    // Before the first line the first line itself will name it.
    if (file_.isOpen()) appendOpen(core::JsonObject().add("output", outputFolder_).line());
}

void RunJournal::recordFolder(const QString& folder) {
    append(core::JsonObject().add("folder", absolute(folder)).line());
    ++changes_;
}

void RunJournal::recordIntent(TransferMode mode, const QString& source, const QString& target) {
    append(core::JsonObject()
               .add("mode", mode == TransferMode::Move ? "move" : "copy")
               .add("source", absolute(source))
               .add("target", absolute(target))
               .line());
    ++changes_;
}

void RunJournal::recordDone(const QString& target) {
    platform::OsError error;
    const auto status = platform::fileStatus(toPlatformPath(target), error);
    // A target that cannot be read back gets a size no file has: the undo then keeps it.
    append(core::JsonObject()
               .add("done", absolute(target))
               .add("mtime", status ? qint64(status->modifiedNs) : qint64(0))
               .add("size", status ? qint64(status->size) : qint64(-1))
               .line());
}

void RunJournal::recordFailed(const QString& target) {
    append(core::JsonObject().add("failed", absolute(target)).line());
    --changes_;
}

void RunJournal::finish() {
    if (!file_.isOpen()) return;
    if (const platform::OsError error = file_.flush(); error && error_.isEmpty())
        error_ = QString::fromStdString(error.describe());
    file_.close();
    // Every book failed and no folder was made: nothing to take back.
    if (changes_ == 0 && error_.isEmpty()) platform::deleteFile(toPlatformPath(path_));
}

platform::OsError JournalingFileOperations::createFolder(const QString& path) {
    const platform::OsError error = inner().createFolder(path);
    if (!error) journal_.recordFolder(path);
    return error;
}

// The book's line is on its way to the disk before the book is touched: a run killed during the
// copy or move leaves a line the undo can judge by what it finds.
platform::OsError JournalingFileOperations::copyFile(const QString& source, const QString& target) {
    journal_.recordIntent(TransferMode::Copy, source, target);
    const platform::OsError error = inner().copyFile(source, target);
    if (!error)
        journal_.recordDone(target);
    else
        journal_.recordFailed(target);
    return error;
}

platform::OsError JournalingFileOperations::moveFile(const QString& source, const QString& target) {
    journal_.recordIntent(TransferMode::Move, source, target);
    const platform::OsError error = inner().moveFile(source, target);
    if (!error)
        journal_.recordDone(target);
    else
        journal_.recordFailed(target);
    return error;
}

void JournalingFileOperations::finish() {
    inner().finish();
    journal_.finish();
}

int JournalContents::bookCount() const {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const auto& e) {
        return e.kind == JournalEntry::Kind::Book;
    }));
}

int JournalContents::booksLeft() const {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const auto& e) {
        return e.kind == JournalEntry::Kind::Book && !e.takenBack;
    }));
}

platform::OsError ReadJournal(const QString& path, JournalContents& contents) {
    contents = JournalContents{};
    std::string bytes;
    platform::OsError error;
    if (!platform::readWholeFile(toPlatformPath(path), bytes, error)) return error;
    const QByteArray all = QByteArray::fromStdString(bytes);
    QString outputFolder;
    QStringList backTargets;  // in the order an undo wrote them, after every line of the run
    for (const QByteArray& raw : all.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) continue;
        ParsedLine parsed = parseLine(line);
        switch (parsed.kind) {
            case ParsedLine::Kind::Unreadable:
                ++contents.unreadableLines;
                break;
            case ParsedLine::Kind::Undone:
                contents.undone = true;
                break;
            case ParsedLine::Kind::Header:
                if (!contents.hasHeader) {
                    contents.started = QDateTime::fromString(parsed.started, Qt::ISODateWithMs);
                    contents.mode = parsed.entry.mode;
                    contents.outputFolder = parsed.outputFolder.isEmpty()
                                                ? QString()
                                                : core::withTrailingSeparator(parsed.outputFolder);
                }
                contents.hasHeader = true;
                [[fallthrough]];
            case ParsedLine::Kind::Output:
                outputFolder = parsed.outputFolder.isEmpty()
                                   ? QString()
                                   : core::withTrailingSeparator(parsed.outputFolder);
                break;
            case ParsedLine::Kind::Folder:
            case ParsedLine::Kind::Book:
                parsed.entry.outputFolder = outputFolder;
                contents.entries.append(parsed.entry);
                break;
            case ParsedLine::Kind::Back:
                backTargets.append(parsed.entry.target);
                break;
            case ParsedLine::Kind::Done:
            case ParsedLine::Kind::Failed:
                // The latest book of that target still waiting for its outcome.
                for (qsizetype k = contents.entries.size() - 1; k >= 0; --k) {
                    JournalEntry& entry = contents.entries[k];
                    if (entry.kind != JournalEntry::Kind::Book || entry.confirmed ||
                        entry.target != parsed.entry.target)
                        continue;
                    if (parsed.kind == ParsedLine::Kind::Failed) {
                        contents.entries.removeAt(k);
                    } else {
                        entry.confirmed = true;
                        entry.written = parsed.entry.written;
                    }
                    break;
                }
                break;
        }
    }
    // Each book an undo took back marks the latest book of its target not yet back. Looked up by
    // target, not by scanning: an undo of a large run writes as many of these lines as books.
    if (!backTargets.isEmpty()) {
        QHash<QString, QList<qsizetype>> booksByTarget;
        for (qsizetype k = 0; k < contents.entries.size(); ++k)
            if (contents.entries[k].kind == JournalEntry::Kind::Book)
                booksByTarget[contents.entries[k].target].append(k);
        for (const QString& target : backTargets) {
            const auto books = booksByTarget.find(target);
            if (books == booksByTarget.end() || books->isEmpty()) continue;
            contents.entries[books->takeLast()].takenBack = true;
        }
    }
    // Without an output folder of its own (an earlier version's journal) the deepest folder
    // that holds every target stands for it.
    QList<JournalEntry> unplaced;
    for (const JournalEntry& entry : contents.entries)
        if (entry.outputFolder.isEmpty()) unplaced.append(entry);
    const QString common = commonOutputFolder(unplaced);
    for (JournalEntry& entry : contents.entries)
        if (entry.outputFolder.isEmpty()) entry.outputFolder = common;
    if (!contents.hasHeader) {
        // An earlier version's journal: its name holds its start, its books its output folder
        // and how they went.
        const QString stem = stemOf(core::lastComponent(path)).mid(kPrefix.size()).left(19);
        const QDateTime named = QDateTime::fromString(stem, QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        contents.started =
            named.isValid() ? QDateTime(named.date(), named.time(), QTimeZone::utc()) : QDateTime();
        contents.outputFolder = common;
        contents.mode = std::any_of(contents.entries.begin(), contents.entries.end(),
                                    [](const JournalEntry& e) {
                                        return e.kind == JournalEntry::Kind::Book &&
                                               e.mode == TransferMode::Move;
                                    })
                            ? TransferMode::Move
                            : TransferMode::Copy;
    }
    return {};
}

QStringList JournalFiles(const QString& folder) {
    const QString base = core::withTrailingSeparator(folder);
    QStringList names;
    platform::listFolder(toPlatformPath(base), [&](const platform::FolderEntry& entry) {
        const QString name = core::fromPlatformPath(entry.name);
        if (!(entry.attributes & platform::AttrDirectory) && isJournalName(name))
            names.append(name);
        return true;
    });
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return stemOf(a) < stemOf(b); });
    QStringList paths;
    for (const QString& name : names) paths.append(base + name);
    return paths;
}

QString NewestJournal(const QString& folder) {
    const QStringList files = JournalFiles(folder);
    for (qsizetype k = files.size() - 1; k >= 0; --k) {
        JournalContents contents;
        if (!ReadJournal(files.at(k), contents) && !contents.undone) return files.at(k);
    }
    return QString();
}

platform::OsError MarkJournalUndone(const QString& path) {
    platform::AppendOnlyFile file;
    if (const platform::OsError error = file.openExisting(toPlatformPath(path))) return error;
    const QByteArray marker =
        core::JsonObject()
            .add("undone", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs))
            .line();
    // A killed run may have left its last line cut off; the marker must not join it.
    if (const platform::OsError error = file.append('\n' + marker.toStdString())) return error;
    return file.flush();
}

UndoRecord::UndoRecord(const QString& journalPath)
    : opened_(!file_.openExisting(toPlatformPath(journalPath))) {}

void UndoRecord::recordBack(const QString& target) {
    if (!opened_) return;
    // A killed run may have left its last line cut off; the first line must not join it.
    const std::string line = core::JsonObject().add("back", target).line().toStdString();
    if (!file_.append(written_ ? line : '\n' + line)) written_ = true;
}

void UndoRecord::finish() {
    if (opened_ && written_) file_.flush();
    file_.close();
}

}  // namespace organise
