#pragma once
#include <QString>

namespace organise {

// The extension of a path: its last component from the last dot on, dot included, in the case
// in which it stands; empty when the last component has no dot.
QString sourceExtension(const QString& path);

// True when the extension equals ".epub" with A to Z compared without regard to case.
bool hasEpubExtension(const QString& path);

}  // namespace organise
