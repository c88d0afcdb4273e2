#pragma once
// Folder-tree fixtures for tests: files and folders made in a temporary folder.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class TempTree {
public:
    TempTree();
    // Absolute path of a relative path inside the tree ('/'-separated).
    QString path(const QString& relative = QString()) const;
    // Writes a file, creating missing parent folders; returns its absolute path.
    QString writeFile(const QString& relative, const QByteArray& bytes = QByteArray());
    // Creates a folder with its parents; returns its absolute path.
    QString makeFolder(const QString& relative);

private:
    QTemporaryDir dir_;
};

}  // namespace testsupport
