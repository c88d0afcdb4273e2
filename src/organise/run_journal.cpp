#include "organise/run_journal.h"

#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <exception>
#include <string>

#include "epub/json_writer.h"
#include "epub/path_text_qt.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/listing.h"

namespace organise {

namespace {

const QLatin1String kPrefix("run-");
const QLatin1String kSuffix(".jsonl");

using epub::toPlatformPath;

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
    return epub::joinPath(epub::pathFromOutside(QDir::currentPath()), path);
}

bool parseLine(const QByteArray& line, JournalEntry& entry, bool& undoneMarker) {
    undoneMarker = false;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) return false;
    const QJsonObject object = document.object();
    if (object.contains(QLatin1String("undone"))) {
        undoneMarker = true;
        return true;
    }
    if (object.value(QLatin1String("folder")).isString()) {
        entry = JournalEntry{};
        entry.kind = JournalEntry::Kind::Folder;
        entry.target = object.value(QLatin1String("folder")).toString();
        return !entry.target.isEmpty();
    }
    const QString mode = object.value(QLatin1String("mode")).toString();
    const QJsonValue source = object.value(QLatin1String("source"));
    const QJsonValue target = object.value(QLatin1String("target"));
    const QJsonValue size = object.value(QLatin1String("size"));
    const QJsonValue mtime = object.value(QLatin1String("mtime"));
    if ((mode != QLatin1String("copy") && mode != QLatin1String("move")) || !source.isString() ||
        !target.isString() || !size.isDouble() || !mtime.isDouble())
        return false;
    entry = JournalEntry{};
    entry.kind = JournalEntry::Kind::Book;
    entry.mode = mode == QLatin1String("move") ? TransferMode::Move : TransferMode::Copy;
    entry.source = source.toString();
    entry.target = target.toString();
    entry.written.size = size.toInteger(-1);
    entry.written.modifiedNs = mtime.toInteger(0);
    return !entry.source.isEmpty() && !entry.target.isEmpty() && entry.written.size >= 0;
}

void removeOldJournals(const QString& folder) {
    const QStringList files = JournalFiles(folder);
    for (qsizetype k = 0; k + kJournalsKept < files.size(); ++k)
        platform::deleteFile(toPlatformPath(files.at(k)));
}

}  // namespace

QString journalFolder(const QString& settingsFolder) {
    if (settingsFolder.isEmpty()) return QString();
    return epub::withTrailingSeparator(epub::joinPath(settingsFolder, QStringLiteral("journal")));
}

RunJournal::RunJournal(QString folder)
    : folder_(folder.isEmpty() ? QString() : epub::withTrailingSeparator(folder)) {}

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
    if (const platform::OsError error = file_.append(line.toStdString()); error && error_.isEmpty())
        error_ = QString::fromStdString(error.describe());
}

void RunJournal::recordFolder(const QString& folder) {
    append(epub::JsonObject().add("folder", absolute(folder)).line());
}

void RunJournal::recordBook(TransferMode mode, const QString& source, const QString& target) {
    platform::OsError error;
    const auto status = platform::fileStatus(toPlatformPath(target), error);
    // The keys in alphabetical order, as the journal has always written them. A target that
    // cannot be read back gets a size no file has: the undo then keeps it.
    append(epub::JsonObject()
               .add("mode", mode == TransferMode::Move ? "move" : "copy")
               .add("mtime", status ? qint64(status->modifiedNs) : qint64(0))
               .add("size", status ? qint64(status->size) : qint64(-1))
               .add("source", absolute(source))
               .add("target", absolute(target))
               .line());
}

void RunJournal::finish() {
    if (!file_.isOpen()) return;
    if (const platform::OsError error = file_.flush(); error && error_.isEmpty())
        error_ = QString::fromStdString(error.describe());
    file_.close();
}

platform::OsError JournalingFileOperations::createFolder(const QString& path) {
    const platform::OsError error = disk_.createFolder(path);
    if (!error) journal_.recordFolder(path);
    return error;
}

platform::OsError JournalingFileOperations::copyFile(const QString& source, const QString& target) {
    const platform::OsError error = disk_.copyFile(source, target);
    if (!error) journal_.recordBook(TransferMode::Copy, source, target);
    return error;
}

platform::OsError JournalingFileOperations::moveFile(const QString& source, const QString& target) {
    const platform::OsError error = disk_.moveFile(source, target);
    if (!error) journal_.recordBook(TransferMode::Move, source, target);
    return error;
}

void JournalingFileOperations::finish() {
    disk_.finish();
    journal_.finish();
}

int JournalContents::bookCount() const {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const auto& e) {
        return e.kind == JournalEntry::Kind::Book;
    }));
}

platform::OsError ReadJournal(const QString& path, JournalContents& contents) {
    contents = JournalContents{};
    std::string bytes;
    platform::OsError error;
    if (!platform::readWholeFile(toPlatformPath(path), bytes, error)) return error;
    const QByteArray all = QByteArray::fromStdString(bytes);
    for (const QByteArray& raw : all.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) continue;
        JournalEntry entry;
        bool undoneMarker = false;
        if (!parseLine(line, entry, undoneMarker))
            ++contents.unreadableLines;
        else if (undoneMarker)
            contents.undone = true;
        else
            contents.entries.append(entry);
    }
    return {};
}

QStringList JournalFiles(const QString& folder) {
    const QString base = epub::withTrailingSeparator(folder);
    QStringList names;
    platform::listFolder(toPlatformPath(base), [&](const platform::FolderEntry& entry) {
        const QString name = epub::fromPlatformPath(entry.name);
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
        epub::JsonObject()
            .add("undone", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs))
            .line();
    // A killed run may have left its last line cut off; the marker must not join it.
    if (const platform::OsError error = file.append('\n' + marker.toStdString())) return error;
    return file.flush();
}

}  // namespace organise
