#pragma once
// The outcome of one book of the organise run and the texts the run writes into the row.
#include <QString>

#include "core/message_catalogue.h"

namespace organise {

enum class OrganiseResult {
    NotEpub = 0,
    Done = 1,
    CopyFailed = 2,
    TargetExists = 3,
    ReadFailed = 4
};

// What already holds a TargetExists row's target name: the same bytes as the book (compared by
// size, then content), or another file. None for every other result.
enum class ExistingTarget { None = 0, Identical = 1, Different = 2 };

// The command line's name of it: "identical", "different", or "" for None.
inline const char* existingName(ExistingTarget existing) {
    switch (existing) {
        case ExistingTarget::Identical:
            return "identical";
        case ExistingTarget::Different:
            return "different";
        case ExistingTarget::None:
            break;
    }
    return "";
}

// The text of the "Hiba" column for a result; empty for NotEpub, whose column is left unchanged.
// Both CopyFailed texts end with a blank and nothing follows it.
inline QString resultText(OrganiseResult result, bool englishUi) {
    switch (result) {
        case OrganiseResult::Done:
            return QStringLiteral("Ok");
        case OrganiseResult::CopyFailed:
            return core::message(core::MessageId::ResultCopyFailed, englishUi);
        case OrganiseResult::TargetExists:
            return core::message(core::MessageId::ResultTargetExists, englishUi);
        case OrganiseResult::ReadFailed:
            return core::message(core::MessageId::ResultReadFailed, englishUi);
        case OrganiseResult::NotEpub:
            break;
    }
    return QString();
}

// No reason is longer than this: a book's metadata can make one as long as a 64 KB title, and a
// row's tooltip, a JSON line or a journal line has no use for that.
inline constexpr qsizetype kMaxReasonLength = 1000;

// reason cut to kMaxReasonLength characters, the last of them an ellipsis; never between the two
// halves of a surrogate pair.
inline QString shortenedReason(const QString& reason) {
    if (reason.size() <= kMaxReasonLength) return reason;
    qsizetype keep = kMaxReasonLength - 1;
    if (reason.at(keep - 1).isHighSurrogate()) --keep;
    return reason.left(keep) + QChar(char16_t(0x2026));
}

// The result's name as the command line reports it ("Done", "CopyFailed", ...).
inline const char* resultName(OrganiseResult result) {
    switch (result) {
        case OrganiseResult::NotEpub:
            return "NotEpub";
        case OrganiseResult::Done:
            return "Done";
        case OrganiseResult::CopyFailed:
            return "CopyFailed";
        case OrganiseResult::TargetExists:
            return "TargetExists";
        case OrganiseResult::ReadFailed:
            return "ReadFailed";
    }
    return "ReadFailed";
}

}  // namespace organise
