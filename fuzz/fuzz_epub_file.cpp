// Raw bytes as a whole EPUB file: the archive reader, the XML reading of whatever entries it
// finds, the JSON record and the target rules.
#include <cstddef>
#include <cstdint>

#include "fuzz_read_book.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::readBook(fuzzsupport::writeScratch(data, size));
    return 0;
}
