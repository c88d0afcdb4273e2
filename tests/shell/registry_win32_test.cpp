// The context-menu entries in Wine's real registry (HKEY_CLASSES_ROOT, 64-bit view). The Wine
// prefix is the test stage's own, so writing machine-wide keys harms nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/system_folders.h"
#include "platform/win32/utf.h"
#include "shell/appdata.h"
#include "shell/shell_verbs.h"

namespace {

const std::string FileTypeShell = "SystemFileAssociations\\.epub\\shell";
const std::string FileTypeVerb = FileTypeShell + "\\" + shell::MenuCaption;
const std::string FolderVerb = "Directory\\shell\\epubpolcaro";

// Reads a value straight through the API in the 64-bit view.
std::optional<std::string> read64(const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, platform::win32::widen(path).c_str(), 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const std::wstring value = platform::win32::widen(name);
    const LSTATUS status = RegQueryValueExW(key, value.empty() ? nullptr : value.c_str(), nullptr,
                                            &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return platform::win32::narrow(std::wstring(data));
}

// One test: the registry is shared by every test process that ctest runs at the same time.
TEST(Registry, RegisterTwiceThenUnregisterTwice) {
    const auto registry = platform::classesRoot64();
    ASSERT_EQ(shell::ShellVerbTask(shell::UnregisterSwitch), 0u);

    // An unknown switch touches nothing.
    EXPECT_EQ(shell::ShellVerbTask("/REGISTER_GLOBAL_FILE_ASSOCIATIONS"), 31u);
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations /x"), 31u);
    EXPECT_FALSE(registry->keyExists(FileTypeVerb));
    EXPECT_FALSE(registry->keyExists(FolderVerb));

    // A fresh Wine prefix has neither shell key; unregistering takes away what registering
    // created, and only that.
    const bool folderShellExisted = registry->keyExists("Directory\\shell");
    const bool fileShellExisted = registry->keyExists(FileTypeShell);

    const std::string program = platform::executablePath();
    const std::string command = "\"" + program + "\" \"%1\"";
    ASSERT_EQ(shell::ShellVerbTask(shell::RegisterSwitch), 0u);
    EXPECT_EQ(read64(FileTypeVerb, "Icon"), program + ",0");
    EXPECT_FALSE(read64(FileTypeVerb, "").has_value());
    EXPECT_EQ(read64(FileTypeVerb + "\\command", ""), command);
    EXPECT_EQ(read64(FolderVerb, ""), "Gyüjtö könyvtárba másolás ...");
    EXPECT_EQ(read64(FolderVerb, "Icon"), program + ",0");
    EXPECT_EQ(read64(FolderVerb + "\\command", ""), command);
    EXPECT_EQ(read64(FolderVerb + "\\Command", ""), command) << "one key, whatever the case";

    // Twice: the same keys and values.
    ASSERT_EQ(shell::ShellVerbTask(shell::RegisterSwitch), 0u);
    EXPECT_EQ(registry->readString(FileTypeVerb, "Icon"), program + ",0");
    EXPECT_EQ(registry->readString(FileTypeVerb + "\\command", ""), command);
    EXPECT_EQ(registry->readString(FolderVerb + "\\command", ""), command);
    EXPECT_EQ(registry->readString(FolderVerb, ""), "Gyüjtö könyvtárba másolás ...");

    // A key below ours that someone else put there goes with it, deepest first.
    registry->openKey(FolderVerb + "\\command\\deeper\\deepest", true);
    ASSERT_EQ(shell::ShellVerbTask(shell::UnregisterSwitch), 0u);
    EXPECT_FALSE(registry->keyExists(FileTypeVerb));
    EXPECT_FALSE(registry->keyExists(FolderVerb));
    EXPECT_EQ(registry->keyExists(FileTypeShell), fileShellExisted);
    EXPECT_EQ(registry->keyExists("Directory\\shell"), folderShellExisted);
    // Twice: nothing to remove, still success.
    EXPECT_EQ(shell::ShellVerbTask(shell::UnregisterSwitch), 0u);
}

TEST(Registry, MissingKeysReadAsAbsent) {
    const auto registry = platform::classesRoot64();
    EXPECT_EQ(registry->openKey("Polcaro\\No\\Such\\Key", false), nullptr);
    EXPECT_FALSE(registry->keyExists("Polcaro\\No\\Such\\Key"));
    EXPECT_FALSE(registry->readString("Directory\\shell", "no such value").has_value());
}

TEST(AppDataWin32, FolderOnAMissingDriveIsRefusedWithoutLooping) {
    const DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char c = 'Q'; c <= 'Y' && !letter; ++c)
        if (!(drives & (1u << (c - 'A')))) letter = c;
    ASSERT_NE(letter, 0);
    EXPECT_FALSE(shell::ForceFolder(std::string(1, letter) + ":\\books\\new\\"));
    EXPECT_FALSE(shell::ForceFolder(std::string(1, letter) + ":"));
}

}  // namespace
