#pragma once
// The path every target ends in: open the book as the organise run and inspect do, write its
// JSON record and build its target path with every naming scheme.
#include <QString>

namespace fuzzsupport {

void readBook(const QString& path);

}  // namespace fuzzsupport
