#include "organise/extension.h"

#include <algorithm>

namespace organise {

QString lastComponent(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString sourceExtension(const QString& path) {
    const QString name = lastComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

bool hasEpubExtension(const QString& path) {
    // Only A to Z fold: a Turkish dotless i or a Kelvin sign must not pass for "i" or "k".
    const QString ext = sourceExtension(path);
    static const char16_t kEpub[] = u".epub";
    if (ext.size() != 5) return false;
    for (qsizetype i = 0; i < 5; ++i) {
        char16_t c = ext.at(i).unicode();
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != kEpub[i]) return false;
    }
    return true;
}

}  // namespace organise
