#pragma once
// A message sink that keeps what it was asked to show.
#include <QStringList>

#include "core/message_sink.h"

namespace epubtest {

class RecordingSink final : public core::MessageSink {
public:
    void showMessage(const QString& text) override { messages.append(text); }
    QStringList messages;
};

}  // namespace epubtest
