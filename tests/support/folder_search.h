#pragma once
// The books a folder search reports, in the order it reports them: what the search tests and the
// benchmarks compare.
#include <QString>
#include <QStringList>

#include "organise/collection.h"

namespace testsupport {

inline QStringList searchBooks(const QString& folder, organise::SearchOutcome* outcome = nullptr) {
    organise::FolderSearch searcher;
    QStringList found;
    const organise::SearchOutcome result =
        searcher.run(folder, [&](const QString& path) { found << path; });
    if (outcome) *outcome = result;
    return found;
}

}  // namespace testsupport
