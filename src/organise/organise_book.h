#pragma once
// One book of the organise run: read it, build its target, create the folders, copy or move.
#include <QString>

#include "organise/book_reading.h"
#include "organise/file_operations.h"
#include "organise/naming_options.h"
#include "organise/organise_result.h"
#include "organise/work_list.h"

namespace core {
class MessageSink;
}

namespace organise {

// What became of one book: its result, and for TargetExists what holds the target name.
struct BookOutcome {
    OrganiseResult result = OrganiseResult::ReadFailed;
    ExistingTarget existing = ExistingTarget::None;
};

// Organises the book at `source` (row `row` of `list`) and returns its outcome. For Done,
// CopyFailed and TargetExists it writes the DisplayPath of the target path into the row's
// "Kimenet" column; for ReadFailed and NotEpub that column keeps what it held. Every error of
// reading or copying becomes a result: nothing escapes. Every result but NotEpub also writes the
// row's reason (WorkList::setReason): empty for Done; for TargetExists whether the file already
// there holds the same bytes as the book (compared through `files`) or is another file, one that
// could not be compared counting as another file, with the system's reason. Nothing is deleted
// or left out because it is a duplicate: a move keeps its source then too.
//
// `ahead` is the book as a worker read it before its turn, if it was: it is used (its messages
// shown through `messages`) only when it is of this source and the file has not changed since;
// otherwise the book is read here. Either way the result is the same.
BookOutcome OrganiseBook(const QString& source, int row, WorkList& list,
                         const BookSettings& settings, core::MessageSink& messages,
                         FileOperations& files, const BookReading* ahead = nullptr);

}  // namespace organise
