#pragma once
// The byte buffer a book reads its archive entries into.
#include <QByteArray>
#include <QByteArrayView>

namespace epub {

struct WorkBuffer {
    QByteArray bytes;
    qsizetype position = 0;
    // Set by ReadEntry when the entry would inflate past kMaxEntrySize; bytes is then empty.
    bool oversized = false;
    // Set by ReadEntry when the entry's data does not match its CRC: bytes holds what was
    // inflated, which is not what the book's maker stored.
    bool crcError = false;

    void clear() {
        bytes.clear();
        position = 0;
        oversized = false;
        crcError = false;
    }
    // The unread part, from the read position on.
    QByteArrayView unread() const {
        const qsizetype from =
            position < 0 ? 0 : (position > bytes.size() ? bytes.size() : position);
        return QByteArrayView(bytes).sliced(from);
    }
};

}  // namespace epub
