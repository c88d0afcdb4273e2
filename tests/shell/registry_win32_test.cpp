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

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry_ = platform::classesRoot64();
        ASSERT_EQ(shell::ShellVerbTask(shell::UnregisterSwitch), 0u);
    }
    void TearDown() override { shell::ShellVerbTask(shell::UnregisterSwitch); }
    std::unique_ptr<platform::Registry> registry_;
};

TEST_F(RegistryTest, RegisterWritesBothVerbsInThe64BitView) {
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
    EXPECT_EQ(registry_->readString(FileTypeVerb + "\\command", ""), command);
    EXPECT_EQ(registry_->readString(FolderVerb + "\\command", ""), command);
    EXPECT_EQ(registry_->readString(FolderVerb, ""), "Gyüjtö könyvtárba másolás ...");
}

TEST_F(RegistryTest, UnregisterRemovesBothVerbsAndKeepsTheirParents) {
    ASSERT_EQ(shell::ShellVerbTask(shell::RegisterSwitch), 0u);
    // A key below ours that someone else put there goes with it, deepest first.
    registry_->openKey(FolderVerb + "\\command\\deeper\\deepest", true);
    ASSERT_EQ(shell::ShellVerbTask(shell::UnregisterSwitch), 0u);
    EXPECT_FALSE(registry_->keyExists(FileTypeVerb));
    EXPECT_FALSE(registry_->keyExists(FolderVerb));
    EXPECT_TRUE(registry_->keyExists(FileTypeShell));
    EXPECT_TRUE(registry_->keyExists("Directory\\shell"));
    // Twice: nothing to remove, still success.
    EXPECT_EQ(shell::ShellVerbTask(shell::UnregisterSwitch), 0u);
}

TEST_F(RegistryTest, UnknownSwitchLeavesTheRegistryAlone) {
    EXPECT_EQ(shell::ShellVerbTask("/REGISTER_GLOBAL_FILE_ASSOCIATIONS"), 31u);
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations /x"), 31u);
    EXPECT_FALSE(registry_->keyExists(FileTypeVerb));
    EXPECT_FALSE(registry_->keyExists(FolderVerb));
}

TEST_F(RegistryTest, MissingKeysReadAsAbsent) {
    EXPECT_EQ(registry_->openKey("Polcaro\\No\\Such\\Key", false), nullptr);
    EXPECT_FALSE(registry_->keyExists("Polcaro\\No\\Such\\Key"));
    EXPECT_FALSE(registry_->readString("Directory\\shell", "no such value").has_value());
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
