#include "core/message_sink.h"

#include <cstdio>

namespace core {

void StderrMessageSink::showMessage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace core
