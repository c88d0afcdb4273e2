#pragma once
// The JSON lines of `epub-polcaro-cli organise` as a table a person reads on a terminal:
// source, target and outcome per book, with the reason of a failure below its row, whole. Paths are
// shown relative to the library and output folders and shortened from the left, so that the
// file names stay visible within the width.
#include <QByteArray>
#include <QString>

namespace sample {

struct ResultTable {
    QString text;          // the table, its legend and a count per outcome; ends with a line break
    int books = 0;         // rows in the table
    int skippedLines = 0;  // input lines that were no JSON object
};

// `dryRun` words the legend for a run that changed nothing ("would go to the target").
ResultTable formatResultTable(const QByteArray& jsonLines, const QString& libraryFolder,
                              const QString& outputFolder, int width, bool dryRun);

// Terminal columns the text takes: a combining mark none, an East Asian wide character two.
int displayWidth(const QString& text);

}  // namespace sample
