#pragma once
// POSIX-only test hooks of the file operations.

namespace platform::testing {

// Makes copies take the way used where O_TMPFILE is missing (FAT, exFAT, network shares): a
// hidden temporary name in the target folder, then link() or renameat2(RENAME_NOREPLACE).
void useNamedTemporaryFiles(bool named);

}  // namespace platform::testing
