// One input split into the container, the package document and the NCX (see splitDocuments),
// packed into a valid archive: every mutation reaches the XML code instead of the ZIP reader.
#include <cstddef>
#include <cstdint>

#include "fuzz_read_book.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<QByteArray> parts = fuzzsupport::splitDocuments(data, size);
    const QByteArray archive = fuzzsupport::epubArchive(parts[0], parts[1], parts[2]);
    fuzzsupport::readBook(fuzzsupport::writeScratch(
        reinterpret_cast<const std::uint8_t*>(archive.constData()), std::size_t(archive.size())));
    return 0;
}
