#include "result_table.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QStringList>
#include <algorithm>

#include "core/path_text_qt.h"

namespace sample {
namespace {

const QString kEllipsis = QStringLiteral("…");
constexpr int kGap = 2;

struct Row {
    QString source;
    QString target;
    QString outcome;
    QString reason;
};

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

int charWidth(char32_t c) {
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing) return 0;
    return isWide(c) ? 2 : 1;
}

// A line break or other control character in a file name would break the table apart.
QString printable(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) out += (c.unicode() < 0x20 || c.unicode() == 0x7F) ? QChar(u'?') : c;
    return out;
}

QString relativeTo(const QString& path, const QString& folder) {
    if (folder.isEmpty()) return path;
    const QString prefix = core::withTrailingSeparator(folder);
    return path.startsWith(prefix) ? path.mid(prefix.size()) : path;
}

// The end of the text within `width` columns, "…" in front when something was cut.
QString shortenFromLeft(const QString& text, int width) {
    if (displayWidth(text) <= width) return text;
    const QList<uint> codePoints = text.toUcs4();
    int used = 1;  // the ellipsis
    qsizetype start = codePoints.size();
    while (start > 0) {
        const int next = charWidth(codePoints[start - 1]);
        if (used + next > width) break;
        used += next;
        --start;
    }
    const QList<uint> tail = codePoints.mid(start);
    return kEllipsis +
           QString::fromUcs4(reinterpret_cast<const char32_t*>(tail.constData()), tail.size());
}

// The text in lines of at most `width` columns, broken after a blank where there is one within
// the line (a reason often ends with a path, which may have to be broken anywhere).
QStringList wrapped(const QString& text, int width) {
    QStringList lines;
    const QList<uint> codePoints = text.toUcs4();
    const auto piece = [&](qsizetype from, qsizetype to) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData() + from),
                                 to - from);
    };
    qsizetype start = 0;
    while (start < codePoints.size()) {
        qsizetype end = start;
        qsizetype lastBlank = -1;
        int used = 0;
        while (end < codePoints.size() && used + charWidth(codePoints[end]) <= width) {
            if (codePoints[end] == u' ') lastBlank = end;
            used += charWidth(codePoints[end]);
            ++end;
        }
        if (end == start) ++end;  // a character wider than the line still moves on
        if (end < codePoints.size() && lastBlank > start) end = lastBlank + 1;
        lines.append(piece(start, end).trimmed());
        start = end;
    }
    return lines;
}

QString padded(const QString& text, int width) {
    return text + QString(std::max(0, width - displayWidth(text)), u' ');
}

int widest(const QList<Row>& rows, QString Row::*field, const QString& heading) {
    int width = displayWidth(heading);
    for (const Row& row : rows) width = std::max(width, displayWidth(row.*field));
    return width;
}

QString legendFor(const QString& outcome, bool dryRun) {
    if (outcome == QLatin1String("Done"))
        return dryRun ? QStringLiteral("would go to the target")
                      : QStringLiteral("now at the target");
    static const QMap<QString, QString> legend = {
        {QStringLiteral("TargetExists"),
         QStringLiteral("a book of that name is there already: left alone")},
        {QStringLiteral("ReadFailed"),
         QStringLiteral("the book could not be read, or its folder not made: left alone")},
        {QStringLiteral("CopyFailed"), QStringLiteral("the copy failed (see the reason)")},
        {QStringLiteral("NotEpub"), QStringLiteral("no .epub file: passed over")},
    };
    return legend.value(outcome);
}

}  // namespace

int displayWidth(const QString& text) {
    int width = 0;
    for (const uint c : text.toUcs4()) width += charWidth(c);
    return width;
}

ResultTable formatResultTable(const QByteArray& jsonLines, const QString& libraryFolder,
                              const QString& outputFolder, int width, bool dryRun) {
    ResultTable table;
    QList<Row> rows;
    QList<QString> outcomes;  // in order of first appearance
    QMap<QString, int> counts;
    for (const QByteArray& line : jsonLines.split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject()) {
            ++table.skippedLines;
            continue;
        }
        const QJsonObject object = document.object();
        Row row;
        row.source = printable(relativeTo(object.value(u"source").toString(), libraryFolder));
        row.target = printable(relativeTo(object.value(u"target").toString(), outputFolder));
        if (row.target.isEmpty()) row.target = QStringLiteral("-");
        row.outcome = printable(object.value(u"result").toString());
        row.reason = printable(object.value(u"reason").toString());
        if (!counts.contains(row.outcome)) outcomes.append(row.outcome);
        ++counts[row.outcome];
        rows.append(row);
    }
    table.books = static_cast<int>(rows.size());
    if (rows.isEmpty()) return table;

    const QString sourceHeading = QStringLiteral("SOURCE (in the library)");
    const QString targetHeading = QStringLiteral("TARGET (in the output folder)");
    const QString outcomeHeading = QStringLiteral("OUTCOME");
    // The outcome column keeps its full width; source and target share what is left, the
    // source at most two fifths of it, and each gives up what it does not need.
    const int outcomeWidth = widest(rows, &Row::outcome, outcomeHeading);
    const int shared = std::max(20, width - outcomeWidth - 2 * kGap);
    const int sourceNeed = widest(rows, &Row::source, sourceHeading);
    const int targetNeed = widest(rows, &Row::target, targetHeading);
    int sourceWidth = std::min(sourceNeed, std::max(shared * 2 / 5, shared - targetNeed));
    const int targetWidth = std::min(targetNeed, shared - sourceWidth);
    sourceWidth = std::min(sourceNeed, shared - targetWidth);

    const QString gap(kGap, u' ');
    const auto line = [&](const QString& source, const QString& target, const QString& outcome) {
        return padded(shortenFromLeft(source, sourceWidth), sourceWidth) + gap +
               padded(shortenFromLeft(target, targetWidth), targetWidth) + gap + outcome + u'\n';
    };
    QString& out = table.text;
    out += line(sourceHeading, targetHeading, outcomeHeading);
    out +=
        line(QString(sourceWidth, u'-'), QString(targetWidth, u'-'), QString(outcomeWidth, u'-'));
    const QString reasonIndent(4, u' ');
    for (const Row& row : rows) {
        out += line(row.source, row.target, row.outcome);
        if (!row.reason.isEmpty()) {
            const QString reason = QStringLiteral("reason: ") + row.reason;
            const int room = std::max(10, width - displayWidth(reasonIndent));
            for (const QString& part : wrapped(reason, room)) out += reasonIndent + part + u'\n';
        }
    }
    out += u'\n';
    QStringList summary;
    for (const QString& outcome : outcomes)
        summary.append(QStringLiteral("%1 %2").arg(counts.value(outcome)).arg(outcome));
    out += QStringLiteral("%1 %2: %3\n")
               .arg(table.books)
               .arg(table.books == 1 ? QStringLiteral("book") : QStringLiteral("books"))
               .arg(summary.join(QStringLiteral(", ")));
    for (const QString& outcome : outcomes) {
        const QString meaning = legendFor(outcome, dryRun);
        if (!meaning.isEmpty()) out += QStringLiteral("  %1: %2\n").arg(outcome, meaning);
    }
    return table;
}

}  // namespace sample
