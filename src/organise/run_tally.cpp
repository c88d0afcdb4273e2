#include "organise/run_tally.h"

#include <QStringList>

#include "core/message_catalogue.h"
#include "organise/undo_run.h"

namespace organise {

namespace {

const QString kSeparator = QStringLiteral(" \u00b7 ");

QString counted(core::MessageId id, int count, bool englishUi) {
    return core::message(id, englishUi).arg(count);
}

}  // namespace

void RunTally::add(OrganiseResult result, ExistingTarget existingTarget) {
    switch (result) {
        case OrganiseResult::Done:
            ++ok;
            break;
        case OrganiseResult::TargetExists:
            ++(existingTarget == ExistingTarget::Identical ? identical : different);
            break;
        case OrganiseResult::ReadFailed:
            ++readFailed;
            break;
        case OrganiseResult::CopyFailed:
            ++copyFailed;
            break;
        case OrganiseResult::NotEpub:
            ++notEpub;
            break;
    }
}

QString runTallyText(const RunTally& tally, bool englishUi, bool preview) {
    using core::MessageId;
    // Ok always, the rest only when it happened: the line has to fit the status bar of a window
    // at its opening size, and a zero says nothing the reader needs.
    QStringList parts{counted(MessageId::TallyOk, tally.ok, englishUi)};
    if (tally.existing() > 0)
        parts << core::message(MessageId::TallyExisting, englishUi)
                     .arg(tally.existing())
                     .arg(tally.identical)
                     .arg(tally.different);
    const auto addNonZero = [&](MessageId id, int count) {
        if (count > 0) parts << counted(id, count, englishUi);
    };
    addNonZero(MessageId::TallyReadFailed, tally.readFailed);
    addNonZero(MessageId::TallyCopyFailed, tally.copyFailed);
    addNonZero(MessageId::TallyNotEpub, tally.notEpub);
    addNonZero(MessageId::TallyStopped, tally.stopped);
    const QString line = parts.join(kSeparator);
    return preview ? core::message(MessageId::TallyPreview, englishUi) + QLatin1Char(' ') + line
                   : line;
}

std::string runTallyKeyValues(const RunTally& tally) {
    return "ok=" + std::to_string(tally.ok) + " identical=" + std::to_string(tally.identical) +
           " different=" + std::to_string(tally.different) +
           " read_failed=" + std::to_string(tally.readFailed) +
           " copy_failed=" + std::to_string(tally.copyFailed) +
           " not_epub=" + std::to_string(tally.notEpub) +
           " stopped=" + std::to_string(tally.stopped);
}

QString undoTallyText(const UndoSummary& summary, int left, bool englishUi) {
    using core::MessageId;
    QStringList parts;
    parts << counted(MessageId::UndoTallyUndone, summary.undone, englishUi)
          << counted(MessageId::UndoTallyKept, summary.kept, englishUi)
          << counted(MessageId::UndoTallyFailed, summary.failed, englishUi);
    if (left > 0) parts << counted(MessageId::UndoTallyLeft, left, englishUi);
    return parts.join(kSeparator);
}

std::string undoTallyKeyValues(const UndoSummary& summary, int left) {
    return "undone=" + std::to_string(summary.undone) + " kept=" + std::to_string(summary.kept) +
           " failed=" + std::to_string(summary.failed) + " left=" + std::to_string(left);
}

}  // namespace organise
