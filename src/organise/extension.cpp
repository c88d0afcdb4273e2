#include "organise/extension.h"

#include "core/path_text_qt.h"
#include "platform/path_text.h"

namespace organise {

QString sourceExtension(const QString& path) {
    const QString name = core::lastComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

bool hasEpubExtension(const QString& path) {
    // ".epub" can only be the extension when the path ends with it ("epub" holds no dot).
    return platform::isEpubFileName(core::toPlatformPath(path));
}

}  // namespace organise
