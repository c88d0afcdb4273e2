#pragma once
// One book as one line of JSON, as the command line's inspect prints it.
#include <QByteArray>
#include <QString>

namespace epub {

class TEpuB;

// {"FileName":..., ..., "CurrentIndex":n} in the record's field order, UTF-8, no line break.
// A non-empty error adds "error" as the last key.
QByteArray bookToJson(const TEpuB& book, const QString& error = QString());

}  // namespace epub
