// Text for a console reaches it as characters, not as UTF-8 bytes read in the console's code
// page ("K├╢nyvek"). The test opens a console of its own and reads back what the screen holds.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/console.h"

namespace {

TEST(Console, ConsoleShowsTheCharactersOfUtf8Text) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    const HANDLE screen =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    const HANDLE previous = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, screen);
    // The console's code page is an 8-bit one, as on a Hungarian or Western Windows.
    SetConsoleOutputCP(852);
    SetConsoleCursorPosition(screen, COORD{0, 0});

    platform::writeText(stdout, "K\xC3\xB6nyvek \xC5\x91");

    wchar_t shown[12] = {};
    DWORD read = 0;
    const BOOL ok = ReadConsoleOutputCharacterW(screen, shown, 12, COORD{0, 0}, &read);
    SetStdHandle(STD_OUTPUT_HANDLE, previous);
    CloseHandle(screen);
    FreeConsole();
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::wstring(shown, 9), std::wstring(L"K\u00F6nyvek \u0151"));
}

}  // namespace
