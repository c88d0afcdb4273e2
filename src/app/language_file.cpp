#include "app/language_file.h"

#include <QDir>
#include <QStringDecoder>
#include <string>

#include "core/path_text_qt.h"
#include "platform/error.h"
#include "platform/files.h"

namespace app {
namespace {

// The file format treats every character up to the space as blank, and only those: a
// no-break space or another Unicode space is part of the text.
bool isBlank(QChar c) {
    return c.unicode() <= 32;
}

QString trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.mid(begin, end - begin).toString();
}

QString foldName(const QString& name) {
    return name.toCaseFolded();
}

}  // namespace

LanguageFile LanguageFile::parse(const QByteArray& bytes) {
    QByteArrayView data(bytes);
    // A leading byte-order mark is not part of the first line.
    if (data.startsWith("\xEF\xBB\xBF")) data = data.sliced(3);
    // Only that one mark is skipped; the decoder must not eat a second one.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(data);

    LanguageFile file;
    QHash<QString, QString>* current = nullptr;  // no section yet: lines are ignored
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        // A line ends at CR LF, LF or a lone CR.
        qsizetype end = pos;
        while (end < size && text[end] != u'\r' && text[end] != u'\n') ++end;
        const QString line = trimBlanks(QStringView(text).sliced(pos, end - pos));
        pos = end;
        if (pos < size) {
            const bool crLf = text[pos] == u'\r' && pos + 1 < size && text[pos + 1] == u'\n';
            pos += crLf ? 2 : 1;
        }

        if (line.isEmpty() || line.startsWith(u';')) continue;
        if (line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = foldName(trimBlanks(QStringView(line).sliced(1, line.size() - 2)));
            // A section given again replaces what an earlier occurrence said.
            current = &file.sections_[name];
            current->clear();
            continue;
        }
        if (!current) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        const QString key = foldName(trimBlanks(QStringView(line).first(equals)));
        current->insert(key, trimBlanks(QStringView(line).sliced(equals + 1)));
    }
    return file;
}

LanguageFile LanguageFile::load(const QString& path) {
    const QString nativePath = QDir::toNativeSeparators(path);
    std::string bytes;
    platform::OsError error;
    if (!platform::readWholeFile(core::toPlatformPath(nativePath), bytes, error)) {
        throw platform::Error("Cannot open file \"" + nativePath.toStdString() + "\". " +
                              error.describe());
    }
    return parse(QByteArray::fromStdString(bytes));
}

QString LanguageFile::value(const QString& section, const QString& key) const {
    const auto found = sections_.constFind(foldName(section));
    if (found == sections_.constEnd()) return QString();
    return found->value(foldName(key));
}

bool LanguageFile::contains(const QString& section, const QString& key) const {
    const auto found = sections_.constFind(foldName(section));
    return found != sections_.constEnd() && found->contains(foldName(key));
}

}  // namespace app
