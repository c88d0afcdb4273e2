// The other program of a hand-over on Windows: sends one WM_COPYDATA record to a window, the way
// a second copy of the program or the Explorer verb does, and exits with 0 when the window
// answered 0. No Qt, so it also serves the smoke check of the deployed program.
//
//   handover_sender <window> <path> [cbData]
//
// <window> is the window's handle in hex, or "title:<caption>" to find a top-level window by its
// caption (waiting up to 30 seconds for it to appear). cbData defaults to the length of the
// UTF-16 text with its terminating NUL; a smaller one cuts the record short.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

HWND findWindow(const wchar_t* spec) {
    if (std::wcsncmp(spec, L"title:", 6) == 0) {
        for (int i = 0; i < 300; ++i) {
            if (HWND window = FindWindowW(nullptr, spec + 6)) return window;
            Sleep(100);
        }
        return nullptr;
    }
    wchar_t* end = nullptr;
    const unsigned long long handle = std::wcstoull(spec, &end, 16);
    return (end && *end == L'\0') ? reinterpret_cast<HWND>(static_cast<ULONG_PTR>(handle))
                                  : nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 64;
    HWND window = findWindow(argv[1]);
    if (!window || !IsWindow(window)) return 3;
    std::wstring text = argv[2];
    const DWORD full = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    const DWORD cbData = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : full;
    text.resize(cbData / sizeof(wchar_t) + 1, L'\0');  // the record never reads past the buffer

    COPYDATASTRUCT record{};
    record.dwData = 0x1234;
    record.cbData = cbData;
    record.lpData = text.data();
    DWORD_PTR answer = 1;
    if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), SMTO_NORMAL,
                             60000, &answer))
        return 4;
    return answer == 0 ? 0 : 5;
}
