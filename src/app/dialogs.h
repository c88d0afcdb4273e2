#pragma once
// Every modal dialog the window opens goes through this interface, so that tests can script
// the answers and no test ever blocks on a real dialog. The real implementation (QtDialogs)
// uses Qt's message boxes and folder pickers.
#include <QString>
#include <optional>

class QMessageBox;
class QWidget;

namespace app {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message box with the text and an OK button.
    virtual void message(QWidget* owner, const QString& text) = 0;
    // The standard error message box: an error icon, the text, an OK button.
    virtual void error(QWidget* owner, const QString& text) = 0;
    // A task dialog with the error icon and one OK button. True when it was closed with OK,
    // false when it was closed any other way (close box, Escape).
    virtual bool errorTask(QWidget* owner, const QString& caption, const QString& instruction,
                           const QString& text) = 0;
    // A confirmation with an information icon and exactly two buttons, the confirm button
    // first and default. True only when closed through the confirm button.
    virtual bool confirm(QWidget* owner, const QString& heading, const QString& text,
                         const QString& confirmButton, const QString& cancelButton) = 0;
    // The system's folder picker with its default title; nullopt when cancelled.
    virtual std::optional<QString> pickFolder(QWidget* owner, const QString& startFolder) = 0;
};

// Qt's message box wraps its informative text at the width of its main text and cuts a long
// caption: widens the box's labels so that each line of its texts, and its caption, fit
// (within three quarters of the screen's width). Called by the real dialogs before showing.
void fitMessageBoxToText(QMessageBox& box);

// The dialogs in use; QtDialogs unless a test installed its own.
Dialogs& dialogs();
// Installs `replacement` (not owned) or, with nullptr, the real dialogs again.
void setDialogs(Dialogs* replacement);

}  // namespace app
