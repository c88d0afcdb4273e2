#include "app/window_font.h"

#include <QFileInfo>
#include <QFontDatabase>

namespace app {

QFont windowFont() {
    static const QFont font = [] {
        QString family;
        const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
        if (QFileInfo::exists(tahoma)) {
            const int id = QFontDatabase::addApplicationFont(tahoma);
            if (id >= 0) family = QFontDatabase::applicationFontFamilies(id).value(0);
        }
        QFont f = family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                                   : QFont(family);
        if (family.isEmpty()) f.setStyleHint(QFont::SansSerif);
        f.setPixelSize(11);
        return f;
    }();
    return font;
}

}  // namespace app
