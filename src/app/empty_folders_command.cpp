#include "app/empty_folders_command.h"

#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include "app/dialogs.h"
#include "core/message_catalogue.h"
#include "organise/empty_folders.h"
#include "platform/error.h"

namespace app {
namespace {

struct CommandTexts {
    QString heading;
    QString text;  // "%s" takes the folder
    QString confirm;
    QString cancel;
    QString ready;
    QString noFolder;
};

CommandTexts commandTexts(bool englishUi) {
    using core::MessageId;
    const auto text = [englishUi](MessageId id) { return core::message(id, englishUi); };
    return {text(MessageId::EmptyFoldersConfirmTitle),
            text(MessageId::EmptyFoldersQuestion),
            text(MessageId::DeleteButton),
            text(MessageId::Cancel),
            text(MessageId::Ready),
            text(MessageId::NoOutputFolderGiven)};
}

// An edit holding nothing but blanks, or a relative path, names no folder: walking it would
// start from a root, or from whatever folder the program was started in, that the user never
// chose.
bool namesNoFolder(const QString& text) {
    return text.trimmed().isEmpty() || !QDir::isAbsolutePath(text);
}

}  // namespace

void runEmptyFoldersCommand(QWidget* owner, const std::function<QString()>& directoryEditText,
                            bool englishUi) {
    const CommandTexts texts = commandTexts(englishUi);

    const QString shown = directoryEditText();
    if (namesNoFolder(shown)) {
        dialogs().message(owner, texts.noFolder);
        return;
    }
    // The folder goes in unchanged; a single pass of replace() never rescans what it inserted.
    const QString question = QString(texts.text).replace(QStringLiteral("%s"), shown);
    if (!dialogs().confirm(owner, texts.heading, question, texts.confirm, texts.cancel)) return;

    const QString folder = directoryEditText();
    if (namesNoFolder(folder)) {
        dialogs().message(owner, texts.noFolder);
        return;
    }
    try {
        organise::RemoveEmptyFolders(folder);
    } catch (const organise::FolderRemovalError& error) {
        // Shown by the event loop's error box, in the interface's language.
        throw platform::Error(error.text(englishUi).toStdString());
    }
    dialogs().message(owner, texts.ready);
}

QString noOutputFolderText(bool englishUi) {
    return commandTexts(englishUi).noFolder;
}

void runEmptyFoldersCommand(QWidget* owner, QLineEdit* JvDirectoryEdit1, bool englishUi) {
    // The edit is read again after the modal confirmation; guard against it going away.
    const QPointer<QLineEdit> edit = JvDirectoryEdit1;
    runEmptyFoldersCommand(
        owner, [edit] { return edit ? edit->text() : QString(); }, englishUi);
}

}  // namespace app
