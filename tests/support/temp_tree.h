#pragma once
// Folder-tree fixtures for the Qt tests: the one temporary folder (support/temp_dir.h) with
// QString paths with native separators (relative parts are given '/'-separated).
#include <QByteArray>
#include <QString>

#include "support/temp_dir.h"

namespace testsupport {

class TempTree {
public:
    // Absolute native path of a relative path inside the tree (given '/'-separated).
    QString path(const QString& relative = QString()) const;
    // Writes a file, creating missing parent folders; returns its absolute path.
    QString writeFile(const QString& relative, const QByteArray& bytes = QByteArray());
    // Creates a folder with its parents; returns its absolute path.
    QString makeFolder(const QString& relative);

private:
    TempDir dir_;
};

}  // namespace testsupport
