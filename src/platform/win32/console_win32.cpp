// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/console.h"
#include "platform/win32/utf.h"

namespace platform {

namespace {

// The console behind stdout or stderr; nothing when the stream is redirected or another one.
HANDLE consoleOf(std::FILE* stream) {
    DWORD handleId = 0;
    if (stream == stdout) {
        handleId = STD_OUTPUT_HANDLE;
    } else if (stream == stderr) {
        handleId = STD_ERROR_HANDLE;
    } else {
        return nullptr;
    }
    const HANDLE handle = GetStdHandle(handleId);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return nullptr;
    return handle;
}

}  // namespace

void writeText(std::FILE* stream, std::string_view utf8) {
    // Whatever the C library still holds goes out first, so that the order is kept.
    std::fflush(stream);
    const HANDLE console = consoleOf(stream);
    if (!console) {
        std::fwrite(utf8.data(), 1, utf8.size(), stream);
        std::fflush(stream);
        return;
    }
    const std::wstring wide = win32::widen(std::string(utf8));
    std::size_t done = 0;
    while (done < wide.size()) {
        // In pieces (older consoles refuse very large writes), never between the two halves of
        // a surrogate pair.
        std::size_t piece = std::min<std::size_t>(wide.size() - done, 8192);
        if (piece > 1 && IS_HIGH_SURROGATE(wide[done + piece - 1])) --piece;
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, static_cast<DWORD>(piece), &written,
                           nullptr) ||
            written == 0) {
            return;
        }
        done += written;
    }
}

}  // namespace platform
