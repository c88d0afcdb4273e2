#pragma once

namespace platform {

// Process settings that reading thousands of books one after another depends on, made once
// before the first archive is opened, from the program's main() (later calls do nothing). POSIX:
// - libzip turns every entry's DOS time into a time_t with mktime() when it opens an archive,
//   and glibc re-reads the zone file's status on every mktime() while TZ is unset: one stat()
//   per entry, three times per book. Naming the same zone file in TZ makes glibc keep what it
//   read. Local time stays what it was; only a change of /etc/localtime while the program
//   runs goes unnoticed.
// - Each book builds and frees three document trees of a few hundred KiB. Without top padding
//   glibc hands the freed top of the heap back to the system every time and the next tree
//   faults it in again, which costs about as much as the parse. Keeping 1 MiB of padding
//   stops that; at most that much more memory stays with the process.
// Windows needs neither.
void prepareProcessForBookReading();

}  // namespace platform
