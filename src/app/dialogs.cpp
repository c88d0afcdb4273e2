#include "app/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace app {
namespace {

// A window that is not showing (start-up's first-run prompt comes before the main window is
// shown) would place its dialogs at whatever place it has not taken yet: those dialogs get no
// owner and are centred on the screen instead.
QWidget* dialogOwner(QWidget* owner) {
    return owner && owner->window()->isVisible() ? owner : nullptr;
}

// The real dialogs: Qt's message boxes and the folder picker.
class QtDialogs final : public Dialogs {
public:
    void message(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, windowCaption(owner), text, QMessageBox::Ok,
                        dialogOwner(owner));
        fitMessageBoxToText(box);
        box.exec();
    }

    void error(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, windowCaption(owner), text, QMessageBox::Ok,
                        dialogOwner(owner));
        fitMessageBoxToText(box);
        box.exec();
    }

    bool errorTask(QWidget* owner, const QString& caption, const QString& instruction,
                   const QString& text) override {
        QMessageBox box(QMessageBox::Critical, caption, instruction, QMessageBox::NoButton,
                        dialogOwner(owner));
        box.setInformativeText(text);
        QPushButton* ok = box.addButton(QMessageBox::Ok);
        // Escape and the close box must not count as OK: they go to a button nobody sees.
        QPushButton* dismissed = box.addButton(QMessageBox::Cancel);
        dismissed->hide();
        box.setEscapeButton(dismissed);
        box.setDefaultButton(ok);
        fitMessageBoxToText(box);
        box.exec();
        return box.clickedButton() == ok;
    }

    bool confirm(QWidget* owner, const QString& heading, const QString& text,
                 const QString& confirmButton, const QString& cancelButton) override {
        QMessageBox box(QMessageBox::Information, windowCaption(owner), heading,
                        QMessageBox::NoButton, dialogOwner(owner));
        box.setInformativeText(text);
        QPushButton* yes = box.addButton(confirmButton, QMessageBox::AcceptRole);
        QPushButton* no = box.addButton(cancelButton, QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        fitMessageBoxToText(box);
        box.exec();
        return box.clickedButton() == yes;
    }

    std::optional<QString> pickFolder(QWidget* owner, const QString& startFolder) override {
        const QString chosen =
            QFileDialog::getExistingDirectory(dialogOwner(owner), QString(), startFolder);
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

void fitMessageBoxToText(QMessageBox& box) {
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    // The box never grows wider than its own limit (the screen's width less 480, at most 1000;
    // the whole width of a screen up to 1024 wide), and a label made wider than the room it
    // leaves would run past the box's edge, cut; beside the label sit the icon and the margins.
    const int boxLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    constexpr int kBesideLabel = 120;
    const int limit = std::min(screenWidth * 3 / 4, boxLimit - kBesideLabel);
    const QFontMetrics metrics(box.font());
    int widest = 0;
    for (const QString& text : {box.text(), box.informativeText()})
        for (const QString& line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
    // The title bar also holds the window manager's buttons and the window icon.
    constexpr int kTitleBarExtras = 140;
    const int caption =
        QFontMetrics(QApplication::font()).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    // The labels lay their text out in a text document, with a margin of 4 pixels on each side,
    // and round the width up.
    constexpr int kSlack = 16;
    for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        if (auto* label = box.findChild<QLabel*>(QLatin1String(name)))
            label->setMinimumWidth(std::min(limit, std::max(widest, caption) + kSlack));
    }
}

Dialogs& dialogs() {
    static QtDialogs real;
    return installed ? *installed : real;
}

void setDialogs(Dialogs* replacement) {
    installed = replacement;
}

}  // namespace app
