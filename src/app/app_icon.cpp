#include "app/app_icon.h"

#include <QString>

namespace app {

QIcon appIcon(const char* name) {
    const QString base = QStringLiteral(":/icons/") + QLatin1String(name);
#ifdef POLCARO_PNG_ICONS
    QIcon icon;
    for (int size : {POLCARO_PNG_ICON_SIZES})
        icon.addFile(base + QStringLiteral("-%1.png").arg(size), QSize(size, size));
    return icon;
#else
    return QIcon(base + QStringLiteral(".svg"));
#endif
}

}  // namespace app
