#include "app/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace app {
namespace {

// The real dialogs: Qt's message boxes and the folder picker.
class QtDialogs final : public Dialogs {
public:
    void message(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, windowCaption(owner), text, QMessageBox::Ok, owner);
        box.exec();
    }

    void error(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, windowCaption(owner), text, QMessageBox::Ok, owner);
        box.exec();
    }

    bool errorTask(QWidget* owner, const QString& caption, const QString& instruction,
                   const QString& text) override {
        QMessageBox box(QMessageBox::Critical, caption, instruction, QMessageBox::NoButton, owner);
        box.setInformativeText(text);
        QPushButton* ok = box.addButton(QMessageBox::Ok);
        // Escape and the close box must not count as OK: they go to a button nobody sees.
        QPushButton* dismissed = box.addButton(QMessageBox::Cancel);
        dismissed->hide();
        box.setEscapeButton(dismissed);
        box.setDefaultButton(ok);
        box.exec();
        return box.clickedButton() == ok;
    }

    bool confirm(QWidget* owner, const QString& heading, const QString& text,
                 const QString& confirmButton, const QString& cancelButton) override {
        QMessageBox box(QMessageBox::Information, windowCaption(owner), heading,
                        QMessageBox::NoButton, owner);
        box.setInformativeText(text);
        QPushButton* yes = box.addButton(confirmButton, QMessageBox::AcceptRole);
        QPushButton* no = box.addButton(cancelButton, QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }

    std::optional<QString> pickFolder(QWidget* owner, const QString& startFolder) override {
        const QString chosen = QFileDialog::getExistingDirectory(owner, QString(), startFolder);
        if (chosen.isEmpty()) return std::nullopt;
        return chosen;
    }

private:
    static QString windowCaption(QWidget* owner) {
        if (owner && !owner->window()->windowTitle().isEmpty())
            return owner->window()->windowTitle();
        return QStringLiteral("Epub polcaro");
    }
};

Dialogs* installed = nullptr;

}  // namespace

Dialogs& dialogs() {
    static QtDialogs real;
    return installed ? *installed : real;
}

void setDialogs(Dialogs* replacement) {
    installed = replacement;
}

}  // namespace app
