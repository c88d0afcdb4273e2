#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace testsupport {

QString TempTree::path(const QString& relative) const {
    const auto generic = dir_.root().generic_u8string();
    const QString root = QString::fromUtf8(reinterpret_cast<const char*>(generic.data()),
                                           static_cast<qsizetype>(generic.size()));
    // Native separators, as the paths a user drops or types reach the program.
    return QDir::toNativeSeparators(relative.isEmpty() ? root : root + QLatin1Char('/') + relative);
}

QString TempTree::writeFile(const QString& relative, const QByteArray& bytes) {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
    return full;
}

QString TempTree::makeFolder(const QString& relative) {
    const QString full = path(relative);
    if (!QDir().mkpath(full)) throw std::runtime_error("cannot create test folder");
    return full;
}

}  // namespace testsupport
