#pragma once
// The interface-language file "eng.lng": an INI-like UTF-8 text of sections and key=value
// entries. Only the parsing lives here (QtCore only); apply_language.h puts the captions onto
// the widgets.
#include <QByteArray>
#include <QHash>
#include <QString>

namespace app {

class LanguageFile {
public:
    // Interprets the bytes of a language file. Never fails: anything it cannot make sense of
    // is simply not found later.
    static LanguageFile parse(const QByteArray& bytes);
    // Reads the whole file at `path` and parses it. Throws platform::Error with the text
    // "Cannot open file "<path>". <system reason>" when the file cannot be read.
    static LanguageFile load(const QString& path);

    // The value of `key` in the last occurrence of `section`; both names are compared without
    // regard to letter case. Empty when the section or the key is missing.
    QString value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;

private:
    // Section name -> (key -> value), both names case-folded.
    QHash<QString, QHash<QString, QString>> sections_;
};

}  // namespace app
