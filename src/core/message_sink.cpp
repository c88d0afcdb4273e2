#include "core/message_sink.h"

#include <cstdio>

#include "platform/console.h"

namespace core {

void StderrMessageSink::showMessage(const QString& text) {
    const QByteArray utf8 = (text + QLatin1Char('\n')).toUtf8();
    platform::writeText(stderr,
                        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace core
