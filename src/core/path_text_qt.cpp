#include "core/path_text_qt.h"

#include <cstddef>

#include "platform/path_text.h"

namespace core {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

// The length of the well-formed UTF-8 sequence that starts at text[i], or 0 when the byte there
// does not start one (overlong forms, encoded surrogates and code points past U+10FFFF
// included).
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return length;
}

bool isEscape(const QString& path, qsizetype i) {
    const char16_t c = path.at(i).unicode();
    // A low surrogate right after a high one is half of a real character, not an escape.
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF &&
           (i == 0 || !path.at(i - 1).isHighSurrogate());
}

}  // namespace

std::string toPlatformPath(const QString& path) {
    std::string out;
    out.reserve(static_cast<std::size_t>(path.size()));
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscape(path, i)) continue;
        out += QStringView(path).mid(run, i - run).toUtf8().toStdString();
        out += static_cast<char>(path.at(i).unicode() - kEscapeBase);
        run = i + 1;
    }
    out += QStringView(path).mid(run).toUtf8().toStdString();
    return out;
}

QString fromPlatformPath(std::string_view path) {
    QString out;
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < path.size()) {
        const std::size_t length = sequenceLength(path, i);
        if (length > 0) {
            i += length;
            continue;
        }
        out += QString::fromUtf8(path.data() + run, static_cast<qsizetype>(i - run));
        out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(path[i])));
        run = ++i;
    }
    out += QString::fromUtf8(path.data() + run, static_cast<qsizetype>(path.size() - run));
    return out;
}

QString pathFromOutside(const QString& path) {
    return fromPlatformPath(platform::toNativeSeparators(toPlatformPath(path)));
}

QString withTrailingSeparator(const QString& folder) {
    if (folder.isEmpty()) return folder;
    return fromPlatformPath(platform::withTrailingSeparator(toPlatformPath(folder)));
}

QString joinPath(const QString& folder, const QString& name) {
    return fromPlatformPath(platform::joinPath(toPlatformPath(folder), toPlatformPath(name)));
}

QString parentFolder(const QString& path) {
    return fromPlatformPath(platform::parentFolder(toPlatformPath(path)));
}

QString lastComponent(const QString& path) {
    return fromPlatformPath(platform::lastComponent(toPlatformPath(path)));
}

}  // namespace core
