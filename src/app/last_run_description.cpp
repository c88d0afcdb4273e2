#include "app/last_run_description.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "core/message_catalogue.h"
#include "core/path_text_qt.h"
#include "organise/undo_run.h"
#include "platform/error.h"
#include "platform/files.h"

namespace app {

LastRunDescription describeLastRun(const QString& journalPath,
                                   const organise::JournalContents& contents) {
    LastRunDescription run;
    std::string bytes;
    platform::OsError error;
    if (contents.hasHeader &&
        platform::readWholeFile(core::toPlatformPath(journalPath), bytes, error)) {
        const QByteArray first = QByteArray::fromStdString(bytes.substr(0, bytes.find('\n')));
        const QJsonObject header = QJsonDocument::fromJson(first).object();
        run.started = QDateTime::fromString(header.value(QLatin1String("started")).toString(),
                                            Qt::ISODateWithMs);
        run.outputFolder = header.value(QLatin1String("output")).toString();
        run.moved = header.value(QLatin1String("mode")).toString() == QLatin1String("move");
    }
    const QList<organise::JournalEntry> books = organise::UndoOrder(contents);
    if (run.outputFolder.isEmpty() && !books.isEmpty()) {
        run.outputFolder = books.front().outputFolder;
        run.moved = books.front().mode == organise::TransferMode::Move;
    }
    // A book taken back is gone from its target (moved home, or its copy deleted); one that an
    // earlier, stopped undo did not reach is still there.
    for (const organise::JournalEntry& book : books)
        if (platform::fileExists(core::toPlatformPath(book.target))) ++run.booksLeft;
    return run;
}

QString undoQuestion(const LastRunDescription& run, bool englishUi) {
    using core::message;
    using core::MessageId;
    if (!run.started.isValid())
        return message(MessageId::UndoQuestion, englishUi).arg(run.booksLeft);
    // All at once: a folder name may itself hold "%1".
    return message(MessageId::UndoRunQuestion, englishUi)
        .arg(run.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             QString::number(run.booksLeft), run.outputFolder,
             message(run.moved ? MessageId::UndoRunMoved : MessageId::UndoRunCopied, englishUi));
}

}  // namespace app
