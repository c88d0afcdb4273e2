#include "organise/extension.h"

#include "epub/path_text_qt.h"
#include "platform/path_text.h"

namespace organise {

QString sourceExtension(const QString& path) {
    const QString name =
        epub::fromPlatformPath(platform::lastComponent(epub::toPlatformPath(path)));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

bool hasEpubExtension(const QString& path) {
    // ".epub" can only be the extension when the path ends with it ("epub" holds no dot).
    return platform::isEpubFileName(epub::toPlatformPath(path));
}

}  // namespace organise
