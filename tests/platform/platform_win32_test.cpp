// The Windows platform layer under Wine. (These live beside the shell tests because the
// platform test program still holds POSIX-only files; they belong in tests/platform once those
// are named *_posix_test.cpp.)
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "../support/temp_dir.h"
#include "platform/elevation.h"
#include "platform/error.h"
#include "platform/file_status.h"
#include "platform/files.h"
#include "platform/listing.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/system_folders.h"
#include "platform/win32/utf.h"

namespace {

namespace fs = std::filesystem;
using testsupport::contentOf;
using testsupport::writeFile;

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(testsupport::fsPath(folder)))
        names.insert(testsupport::utf8(e.path().filename()));
    return names;
}

class Win32PlatformTest : public ::testing::Test {
protected:
    testsupport::TempDir folder_;
};

TEST_F(Win32PlatformTest, CopyNeverReplacesAndLeavesNothingHalfWritten) {
    const std::string src = folder_.path("könyv ő.epub");
    const std::string data(3 * 1024 * 1024 + 17, 'x');
    writeFile(src, data);
    const std::string dst = folder_.path("másolat.epub");
    EXPECT_FALSE(platform::copyFileNoReplace(src, dst));
    EXPECT_EQ(contentOf(dst), data);
    EXPECT_EQ(fs::last_write_time(testsupport::fsPath(dst)),
              fs::last_write_time(testsupport::fsPath(src)));

    writeFile(dst, "keep me");
    EXPECT_EQ(platform::copyFileNoReplace(src, dst).nativeCode(), ERROR_FILE_EXISTS);
    EXPECT_EQ(contentOf(dst), "keep me");

    // A disk that fails halfway: an error, no target, no temporary file.
    const std::string third = folder_.path("third.epub");
    platform::testing::failNextCopyAfter(1024 * 1024 + 5, platform::ErrorCondition::NoSpace);
    EXPECT_EQ(platform::copyFileNoReplace(src, third).nativeCode(), ERROR_DISK_FULL);
    EXPECT_FALSE(platform::fileExists(third));
    EXPECT_EQ(namesIn(folder_.path()), (std::set<std::string>{"könyv ő.epub", "másolat.epub"}));
    // The fault is used up: the next copy works.
    EXPECT_FALSE(platform::copyFileNoReplace(src, third));

    const platform::OsError missing =
        platform::copyFileNoReplace(folder_.path("missing.epub"), folder_.path("x.epub"));
    EXPECT_EQ(missing.nativeCode(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.condition(), platform::ErrorCondition::NotFound);
    const platform::OsError noFolder =
        platform::copyFileNoReplace(src, folder_.path("no/such/folder.epub"));
    EXPECT_EQ(noFolder.nativeCode(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(noFolder.condition(), platform::ErrorCondition::NotFound);
    EXPECT_FALSE(platform::fileExists(folder_.path("x.epub")));
}

// The system's codes become the conditions callers test, the same ones POSIX gives.
TEST_F(Win32PlatformTest, SystemCodesBecomeNamedConditions) {
    using platform::ErrorCondition;
    const std::string folder = folder_.path("A");
    EXPECT_FALSE(platform::createFolder(folder));
    EXPECT_EQ(platform::createFolder(folder).condition(), ErrorCondition::Exists);
    writeFile(folder_.path("A/book.epub"), "x");
    EXPECT_EQ(platform::removeFolder(folder).condition(), ErrorCondition::NotEmpty);
    // Windows refuses writing to a read-only file, administrators included. Wine running as
    // root lets it through, since the attribute becomes a POSIX mode root may ignore; the table
    // below still checks the code.
    const std::wstring book = testsupport::fsPath(folder_.path("A/book.epub")).wstring();
    ASSERT_TRUE(SetFileAttributesW(book.c_str(), FILE_ATTRIBUTE_READONLY));
    platform::AppendOnlyFile file;
    const platform::OsError readOnly = file.openExisting(folder_.path("A/book.epub"));
    if (readOnly) {
        EXPECT_EQ(readOnly.condition(), ErrorCondition::AccessDenied)
            << "native code " << readOnly.nativeCode();
    }
    file.close();
    SetFileAttributesW(book.c_str(), FILE_ATTRIBUTE_NORMAL);

    const std::pair<DWORD, ErrorCondition> codes[] = {
        {ERROR_FILE_NOT_FOUND, ErrorCondition::NotFound},
        {ERROR_PATH_NOT_FOUND, ErrorCondition::NotFound},
        {ERROR_FILE_EXISTS, ErrorCondition::Exists},
        {ERROR_ALREADY_EXISTS, ErrorCondition::Exists},
        {ERROR_ACCESS_DENIED, ErrorCondition::AccessDenied},
        {ERROR_DIR_NOT_EMPTY, ErrorCondition::NotEmpty},
        {ERROR_NOT_SAME_DEVICE, ErrorCondition::CrossDevice},
        {ERROR_DISK_FULL, ErrorCondition::NoSpace},
        {ERROR_HANDLE_DISK_FULL, ErrorCondition::NoSpace},
        {ERROR_FILENAME_EXCED_RANGE, ErrorCondition::NameTooLong},
        {ERROR_INVALID_DATA, ErrorCondition::Other},
    };
    for (const auto& [code, condition] : codes) {
        EXPECT_EQ(platform::OsError::fromNative(code).condition(), condition) << code;
        EXPECT_EQ(platform::OsError::of(condition).condition(), condition) << code;
    }
}

TEST_F(Win32PlatformTest, MoveRenamesOnOneVolumeAndCopiesAcrossVolumes) {
    const std::string src = folder_.path("a.epub");
    writeFile(src, "book");
    writeFile(folder_.path("taken.epub"), "other");
    EXPECT_EQ(platform::moveFileNoReplace(src, folder_.path("taken.epub")).condition(),
              platform::ErrorCondition::Exists);
    EXPECT_EQ(contentOf(src), "book");
    EXPECT_FALSE(platform::moveFileNoReplace(src, folder_.path("b.epub")));
    EXPECT_FALSE(platform::fileExists(src));
    EXPECT_EQ(contentOf(folder_.path("b.epub")), "book");

    // Wine maps the Unix root to Z:, another volume than C: where the temporary folder lies.
    if (!platform::folderExists("Z:\\tmp")) GTEST_SKIP() << "no Z: drive";
    EXPECT_FALSE(platform::sameVolume(folder_.path("b.epub"), "Z:\\tmp\\not-yet\\x.epub"));
    EXPECT_TRUE(platform::sameVolume(folder_.path("b.epub"), folder_.path("new/deeper/x.epub")));
    const std::string distant =
        "Z:\\tmp\\polcaro-win32-move-" + std::to_string(GetCurrentProcessId()) + ".epub";
    EXPECT_FALSE(platform::moveFileNoReplace(folder_.path("b.epub"), distant));
    EXPECT_EQ(contentOf(distant), "book");
    EXPECT_FALSE(platform::fileExists(folder_.path("b.epub")));
    EXPECT_FALSE(platform::deleteFile(distant));
}

TEST_F(Win32PlatformTest, WholeFilesAreReadAndReplacedAtomically) {
    const std::string path = folder_.path("settings.ini");
    EXPECT_FALSE(platform::writeFileAtomically(path, "one"));
    EXPECT_FALSE(platform::writeFileAtomically(path, std::string("two\0three", 9)));
    std::string bytes;
    platform::OsError error = platform::OsError::of(platform::ErrorCondition::Other);
    ASSERT_TRUE(platform::readWholeFile(path, bytes, error));
    EXPECT_EQ(bytes, std::string("two\0three", 9));
    EXPECT_FALSE(error);
    EXPECT_EQ(namesIn(folder_.path()), (std::set<std::string>{"settings.ini"}));
    EXPECT_FALSE(platform::readWholeFile(folder_.path("none"), bytes, error));
    EXPECT_EQ(error.nativeCode(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(platform::deleteFile(folder_.path("none")).nativeCode(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32PlatformTest, FoldersAreCreatedRemovedAndListedWithAttributes) {
    EXPECT_FALSE(platform::createFolder(folder_.path("sub")));  // no error: created
    EXPECT_TRUE(platform::createFolder(folder_.path("sub")));
    EXPECT_TRUE(platform::createFolder(folder_.path("no/parent")));
    EXPECT_TRUE(platform::folderExists(folder_.path("sub")));
    EXPECT_FALSE(platform::fileExists(folder_.path("sub")));
    writeFile(folder_.path("hidden.epub"), "h");
    writeFile(folder_.path("readonly.epub"), "r");
    SetFileAttributesW(platform::win32::widen(folder_.path("hidden.epub")).c_str(),
                       FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(platform::win32::widen(folder_.path("readonly.epub")).c_str(),
                       FILE_ATTRIBUTE_READONLY);

    std::map<std::string, unsigned> seen;
    EXPECT_EQ(platform::listFolder(folder_.path(),
                                   [&](const platform::FolderEntry& e) {
                                       seen[e.name] = e.attributes;
                                       return true;
                                   }),
              platform::OsError());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen["sub"], unsigned(platform::AttrDirectory));
    EXPECT_EQ(seen["hidden.epub"], unsigned(platform::AttrHidden));
    EXPECT_EQ(seen["readonly.epub"], unsigned(platform::AttrReadOnly));

    int calls = 0;
    EXPECT_EQ(platform::listFolder(folder_.path(),
                                   [&](const platform::FolderEntry&) { return ++calls < 1; }),
              platform::OsError());
    EXPECT_EQ(calls, 1);
    auto none = [](const platform::FolderEntry&) { return true; };
    EXPECT_EQ(platform::listFolder(folder_.path("missing"), none).condition(),
              platform::ErrorCondition::NotFound);
    EXPECT_EQ(platform::listFolder(folder_.path("sub"), none), platform::OsError());

    // A read-only folder can be removed once its attributes are reset.
    SetFileAttributesW(platform::win32::widen(folder_.path("sub")).c_str(),
                       FILE_ATTRIBUTE_READONLY);
    platform::resetAttributes(folder_.path("sub"));
    EXPECT_FALSE(platform::removeFolder(folder_.path("sub")));
    EXPECT_TRUE(platform::removeFolder(folder_.path("sub")));
    SetFileAttributesW(platform::win32::widen(folder_.path("readonly.epub")).c_str(),
                       FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32PlatformTest, FolderIdentityTellsFoldersApart) {
    platform::createFolder(folder_.path("a"));
    platform::createFolder(folder_.path("b"));
    const auto a = platform::folderIdentity(folder_.path("a"));
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(platform::folderIdentity(folder_.path("a") + "\\"), a);
    EXPECT_NE(platform::folderIdentity(folder_.path("b")), a);
    writeFile(folder_.path("f.txt"), "f");
    EXPECT_FALSE(platform::folderIdentity(folder_.path("f.txt")).has_value());
    EXPECT_FALSE(platform::folderIdentity(folder_.path("none")).has_value());
}

TEST_F(Win32PlatformTest, ProfileStringsKeepEveryCharacter) {
    const std::string ini = folder_.path("epub_polcaro.ini");
    const std::string value = "D:\\Könyvek ő ű\\漢字\\";
    EXPECT_EQ(platform::readProfileString(ini, "kimeneti_mappa", "Directory", "dflt"), "dflt");
    EXPECT_FALSE(platform::writeProfileString(ini, "kimeneti_mappa", "Directory", value));
    EXPECT_EQ(platform::readProfileString(ini, "KIMENETI_MAPPA", "directory", ""), value);
    EXPECT_EQ(contentOf(ini).substr(0, 2), "\xFF\xFE")
        << "the file is UTF-16 with a byte-order mark";
    EXPECT_EQ(platform::readProfileString(ini, "kimeneti_mappa", "Directory", "", 5), "D:\\K");
    EXPECT_EQ(platform::readProfileString(ini, "other", "Directory", "x"), "x");
    EXPECT_FALSE(platform::writeProfileString(ini, "kimeneti_mappa", "Directory", "C:\\x\\"));
    EXPECT_EQ(platform::readProfileString(ini, "kimeneti_mappa", "Directory", ""), "C:\\x\\");
}

TEST(Win32Platform, SystemFactsAndErrors) {
    EXPECT_EQ(platform::nativeSeparator(), '\\');
    const std::string roaming = platform::systemRoamingAppDataFolder();
    EXPECT_TRUE(platform::folderExists(roaming)) << roaming;
    const std::string exe = platform::executablePath();
    EXPECT_TRUE(platform::fileExists(exe)) << exe;
    EXPECT_EQ(exe.substr(exe.size() - 18), "platform_tests.exe");

    const std::string text = platform::describeError(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(std::string(platform::SystemError(2).what()), "System Error.  Code: 2.\n" + text);

    EXPECT_EQ(platform::encodeExitCode(1223), 1223u);
    EXPECT_EQ(platform::decodeExitCode(0xC0000005u), 0xC0000005u);
    EXPECT_EQ(platform::runProgram("cmd.exe", {"/c", "exit 3"}), 3);
    EXPECT_FALSE(platform::runProgram("no-such-program-here.exe", {}).has_value());
    EXPECT_NO_THROW(platform::isUserAdministrator());
    EXPECT_TRUE(platform::isProcessElevated()) << "Wine runs every process elevated";
}

}  // namespace
