#pragma once
// The reason a caught exception gives, for a row or a report: nothing that was thrown is dropped
// without a word.
#include <QString>
#include <exception>

namespace organise {

// Call only inside a catch block: the text of the exception being handled, or "Unknown error"
// for one that carries none (not derived from std::exception).
inline QString currentExceptionText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

}  // namespace organise
