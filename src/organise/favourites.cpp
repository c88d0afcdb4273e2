#include "organise/favourites.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <optional>

#include "core/path_text_qt.h"
#include "platform/code_page.h"
#include "platform/error.h"
#include "platform/files.h"

namespace organise {
namespace {

// The characters of Windows-1252 at 0x80..0x9F (U+FFFD where the code page leaves a gap);
// every other byte has the Latin-1 meaning.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QString fromCp1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b));
    }
    return text;
}

// False when a character has no place in Windows-1252.
bool toCp1252(const QString& text, QByteArray& out) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += static_cast<char>(u);
            continue;
        }
        const auto* found = std::find(kCp1252High.begin(), kCp1252High.end(), u);
        if (u == 0xFFFD || found == kCp1252High.end()) return false;
        out += static_cast<char>(0x80 + (found - kCp1252High.begin()));
    }
    return true;
}

QString decodeStrict(QStringConverter::Encoding encoding, QByteArrayView bytes, bool& valid) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    valid = !decoder.hasError();
    return text;
}

// Lines end at CR, LF or CR LF. A final line break ends the last line; it does not start an
// empty one.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

[[noreturn]] void raise(const char* what, const QString& path, const platform::OsError& error) {
    throw platform::Error(std::string(what) + " \"" + path.toStdString() + "\". " +
                          error.describe());
}

}  // namespace

QString favouritesFilePath(const QString& settingsFolder) {
    return core::withTrailingSeparator(settingsFolder) + QStringLiteral("directory.txt");
}

Favourites DecodeFavourites(const QByteArray& bytes) {
    Favourites favourites;
    favourites.loaded = true;
    const QByteArrayView view(bytes);
    QString text;
    bool valid = true;
    if (view.startsWith("\xEF\xBB\xBF")) {
        favourites.encoding = FavouritesEncoding::Utf8Bom;
        text = decodeStrict(QStringConverter::Utf8, view.sliced(3), valid);
    } else if (view.startsWith("\xFF\xFE")) {
        favourites.encoding = FavouritesEncoding::Utf16LeBom;
        text = decodeStrict(QStringConverter::Utf16LE, view.sliced(2), valid);
    } else if (view.startsWith("\xFE\xFF")) {
        favourites.encoding = FavouritesEncoding::Utf16BeBom;
        text = decodeStrict(QStringConverter::Utf16BE, view.sliced(2), valid);
    } else if (const std::optional<std::string> decoded =
                   platform::hasSystemCodePage()
                       ? platform::decodeSystemCodePage(bytes.toStdString())
                       : std::nullopt) {
        // Windows writes text without a mark in its ANSI code page.
        text = QString::fromStdString(*decoded);
    } else {
        text = decodeStrict(QStringConverter::Utf8, view, valid);
        if (!valid) {
            favourites.encoding = FavouritesEncoding::Windows1252;
            text = fromCp1252(view);
        }
    }
    favourites.entries = splitLines(text);
    return favourites;
}

QByteArray EncodeFavourites(const Favourites& favourites) {
    QString text;
    for (const QString& entry : favourites.entries) text += entry + QStringLiteral("\r\n");

    switch (favourites.encoding) {
        case FavouritesEncoding::Windows1252: {
            QByteArray bytes;
            if (toCp1252(text, bytes)) return bytes;
            break;  // an entry the code page cannot hold: UTF-8 rather than '?' in a folder name
        }
        case FavouritesEncoding::Utf8Bom:
            return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
        case FavouritesEncoding::Utf16LeBom:
        case FavouritesEncoding::Utf16BeBom: {
            const bool little = favourites.encoding == FavouritesEncoding::Utf16LeBom;
            QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
            return (little ? QByteArrayLiteral("\xFF\xFE") : QByteArrayLiteral("\xFE\xFF")) +
                   QByteArray(encoder.encode(text));
        }
        case FavouritesEncoding::EightBit:
            if (platform::hasSystemCodePage()) {
                if (const auto bytes = platform::encodeSystemCodePage(text.toStdString()))
                    return QByteArray::fromStdString(*bytes);
                // A folder name the code page cannot hold: UTF-8 with its mark, so that it is
                // read back as written.
                return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
            }
            break;
    }
    return text.toUtf8();
}

Favourites LoadFavourites(const QString& filePath) {
    std::string bytes;
    platform::OsError error;
    if (!platform::readWholeFile(core::toPlatformPath(filePath), bytes, error)) {
        if (error.is(platform::ErrorCondition::NotFound)) {
            Favourites none;
            none.loaded = true;
            return none;
        }
        raise("Cannot open file", filePath, error);
    }
    return DecodeFavourites(QByteArray::fromStdString(bytes));
}

void SaveFavourites(const QString& filePath, const Favourites& favourites) {
    // Every start opens a window of its own, and each window writes its list when it closes.
    // The stored list is read again and this window's entries are appended to it, so that the
    // window closed last keeps what the others saved instead of replacing it.
    Favourites toWrite = favourites;
    std::string bytes;
    platform::OsError readError;
    if (platform::readWholeFile(core::toPlatformPath(filePath), bytes, readError)) {
        toWrite = DecodeFavourites(QByteArray::fromStdString(bytes));
        bool added = false;
        for (const QString& entry : favourites.entries)
            added |= addFavourite(toWrite.entries, entry);
        if (!added && !favourites.loaded) return;
    } else if (!readError.is(platform::ErrorCondition::NotFound) && !favourites.loaded) {
        return;  // a stored list we cannot read is not ours to replace
    }
    const platform::OsError error = platform::writeFileAtomically(
        core::toPlatformPath(filePath), EncodeFavourites(toWrite).toStdString());
    if (error) raise("Cannot create file", filePath, error);
}

bool containsIgnoringCase(const QStringList& entries, const QString& text) {
    return entries.contains(text, Qt::CaseInsensitive);
}

bool containsFolderName(const QStringList& entries, const QString& text) {
    return entries.contains(text,
                            platform::pathsIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

bool addFavourite(QStringList& entries, const QString& text) {
    if (containsFolderName(entries, text)) return false;
    entries.append(text);
    return true;
}

}  // namespace organise
