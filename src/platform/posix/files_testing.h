#pragma once
// POSIX-only test hooks of the file operations.
#include "platform/error.h"

namespace platform::testing {

// Makes copies take the way used where O_TMPFILE is missing (FAT, exFAT, network shares): a
// hidden temporary name in the target folder, then link() or renameat2(RENAME_NOREPLACE).
void useNamedTemporaryFiles(bool named);

// Makes moves take the way used where the file system has no rename that refuses to replace: a
// new link, then the old name removed.
void useLinksForMoves(bool links);

// The next removal of a moved file's old name fails with the system's error for `condition`.
void failNextSourceRemoval(ErrorCondition condition);

}  // namespace platform::testing
