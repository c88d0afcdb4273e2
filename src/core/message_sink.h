#pragma once
// Core code never shows anything itself: the few messages it emits (the XML query errors, the
// metadata reader's "Hiba\r\n" message) go through this interface. The window shows a modal
// message box and waits; the command line prints to stderr.
#include <QString>

namespace core {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the text and returns when the user has seen it.
    virtual void showMessage(const QString& text) = 0;
};

// Writes each message as one UTF-8 line to stderr.
class StderrMessageSink final : public MessageSink {
public:
    void showMessage(const QString& text) override;
};

}  // namespace core
