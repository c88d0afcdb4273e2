#include "app/handover.h"

#include "app/tform1.h"

namespace app {

QString decodeHandOverText(const void* data, std::uint32_t cbData) {
    if (!data || cbData / 2 <= 1) return QString();
    const qsizetype chars = static_cast<qsizetype>(cbData / 2 - 1);
    const auto* bytes = static_cast<const unsigned char*>(data);
    QString path(chars, Qt::Uninitialized);
    for (qsizetype i = 0; i < chars; ++i)
        path[i] = QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return path;
}

std::intptr_t handleHandOver(TForm1& form, const void* data, std::uint32_t cbData) {
    const QString path = decodeHandOverText(data, cbData);
    if (!path.isEmpty()) form.actOnPath(path);
    return 0;
}

}  // namespace app
