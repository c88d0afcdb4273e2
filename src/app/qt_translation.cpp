#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

bool useQtTranslation(bool englishUi) {
    static QTranslator* hungarian = nullptr;
    if (englishUi) {
        if (hungarian) {
            QCoreApplication::removeTranslator(hungarian);
            delete hungarian;
            hungarian = nullptr;
        }
        return false;
    }
    if (hungarian) return true;
    auto translator = new QTranslator;
    if (!translator->load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    hungarian = translator;
    return true;
}

}  // namespace app
