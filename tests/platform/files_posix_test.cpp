// POSIX details of the file operations: modes, times, inodes, links, volumes.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "platform/posix/files_testing.h"
#include "platform/temporaries.h"

namespace {

using testsupport::contentOf;
using testsupport::TempDir;

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// A large, uneven book-sized payload so that partial copies are distinguishable.
std::string payload(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919u) >> 3);
    return bytes;
}

// Makes every write that would grow a file beyond `limit` bytes fail with EFBIG while alive.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit next = old_;
        next.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &next);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

TEST(FilesPosix, ResetAttributesRestoresOwnerWrite) {
    TempDir tmp;
    const std::string folder = tmp.folder("ro");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    platform::resetAttributes(folder);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST(FilesPosix, CopyKeepsDataModeAndTimeAndNeverReplaces) {
    TempDir tmp;
    const std::string data = payload(3 * 1024 * 1024 + 17);
    const std::string src = tmp.write("src/book.epub", data);
    ASSERT_EQ(::chmod(src.c_str(), 0640), 0);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
    tmp.folder("dst");

    const std::string dst = tmp.path("dst/Könyv – ő.epub");
    ASSERT_FALSE(platform::copyFileNoReplace(src, dst));
    EXPECT_EQ(contentOf(dst), data);
    struct stat info {};
    ASSERT_EQ(::stat(dst.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(tmp.names("dst"), std::set<std::string>{"Könyv – ő.epub"});

    // A second copy finds the place taken and leaves the first copy alone.
    const std::string other = tmp.write("src/other.epub", "other");
    EXPECT_EQ(platform::copyFileNoReplace(other, dst).condition(),
              platform::ErrorCondition::Exists);
    EXPECT_EQ(contentOf(dst), data);
    // A folder in the way counts as taken as well.
    tmp.folder("dst/folder.epub");
    EXPECT_TRUE(platform::copyFileNoReplace(other, tmp.path("dst/folder.epub")));
    EXPECT_EQ(tmp.names("dst"), (std::set<std::string>{"Könyv – ő.epub", "folder.epub"}));
    EXPECT_EQ(contentOf(src), data);

    // An empty source is copied as an empty file.
    const std::string empty = tmp.write("src/empty.epub", "");
    EXPECT_FALSE(platform::copyFileNoReplace(empty, tmp.path("dst/empty.epub")));
    EXPECT_TRUE(platform::fileExists(tmp.path("dst/empty.epub")));
}

TEST(FilesPosix, CopyThroughANamedTemporaryFile) {
    // The way taken on FAT, exFAT and network shares, which have no O_TMPFILE.
    TempDir tmp;
    const std::string data = payload(1024 * 1024 + 1);
    const std::string src = tmp.write("src/book.epub", data);
    tmp.folder("dst");
    platform::testing::useNamedTemporaryFiles(true);
    platform::testing::failNextCopyAfter(1000, platform::ErrorCondition::NoSpace);
    EXPECT_EQ(platform::copyFileNoReplace(src, tmp.path("dst/book.epub")).condition(),
              platform::ErrorCondition::NoSpace);
    EXPECT_TRUE(tmp.names("dst").empty());
    EXPECT_FALSE(platform::copyFileNoReplace(src, tmp.path("dst/book.epub")));
    EXPECT_EQ(platform::copyFileNoReplace(src, tmp.path("dst/book.epub")).condition(),
              platform::ErrorCondition::Exists);
    EXPECT_EQ(platform::copyFileNoReplace(src, tmp.path("missing/book.epub")).condition(),
              platform::ErrorCondition::NotFound);
    platform::testing::useNamedTemporaryFiles(false);
    EXPECT_EQ(contentOf(tmp.path("dst/book.epub")), data);
    EXPECT_EQ(tmp.names("dst"), std::set<std::string>{"book.epub"});
}

TEST(FilesPosix, MoveOnOneVolumeIsARenameAndNeverReplaces) {
    TempDir tmp;
    const std::string src = tmp.write("src/book.epub", "book");
    const ino_t inode = inodeOf(src);
    tmp.folder("dst");
    const std::string dst = tmp.path("dst/moved.epub");
    EXPECT_TRUE(platform::sameVolume(src, tmp.path("dst/not/yet/there.epub")));

    ASSERT_FALSE(platform::moveFileNoReplace(src, dst));
    EXPECT_FALSE(platform::fileExists(src));
    EXPECT_EQ(inodeOf(dst), inode);

    const std::string second = tmp.write("src/second.epub", "second");
    EXPECT_EQ(platform::moveFileNoReplace(second, dst).condition(),
              platform::ErrorCondition::Exists);
    EXPECT_EQ(contentOf(dst), "book");
    EXPECT_EQ(contentOf(second), "second");
    EXPECT_EQ(platform::moveFileNoReplace(tmp.path("src/none.epub"), tmp.path("dst/x")).condition(),
              platform::ErrorCondition::NotFound);
}

// Where the file system has no rename that refuses to replace, a move links the new name and
// removes the old one. When the old name cannot be removed, the book must not end up with two.
TEST(FilesPosix, MoveByLinkRollsBackWhenTheOldNameCannotBeRemoved) {
    TempDir tmp;
    const std::string src = tmp.write("src/book.epub", "book");
    tmp.folder("dst");
    const std::string dst = tmp.path("dst/moved.epub");
    platform::testing::useLinksForMoves(true);
    platform::testing::failNextSourceRemoval(platform::ErrorCondition::AccessDenied);
    const platform::OsError refused = platform::moveFileNoReplace(src, dst);
    EXPECT_EQ(refused.condition(), platform::ErrorCondition::AccessDenied);
    EXPECT_EQ(contentOf(src), "book");
    EXPECT_TRUE(tmp.names("dst").empty());

    const platform::OsError moved = platform::moveFileNoReplace(src, dst);  // the fault is used up
    platform::testing::useLinksForMoves(false);
    ASSERT_FALSE(moved);
    EXPECT_FALSE(platform::fileExists(src));
    EXPECT_EQ(contentOf(dst), "book");
}

TEST(FilesPosix, MoveAcrossVolumesCopiesThenDeletes) {
    TempDir disk;
    if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
    TempDir memory("/dev/shm");
    const std::string data = payload(2 * 1024 * 1024 + 3);
    const std::string src = memory.write("book.epub", data);
    if (platform::sameVolume(src, disk.path())) GTEST_SKIP() << "/dev/shm is on the same volume";

    // A copy that fails halfway leaves the source and no target.
    platform::testing::failNextCopyAfter(1024 * 1024, platform::ErrorCondition::Other);
    EXPECT_EQ(platform::moveFileNoReplace(src, disk.path("book.epub")).condition(),
              platform::ErrorCondition::Other);
    EXPECT_EQ(contentOf(src), data);
    EXPECT_TRUE(disk.names().empty());

    ASSERT_FALSE(platform::moveFileNoReplace(src, disk.path("book.epub")));
    EXPECT_FALSE(platform::fileExists(src));
    EXPECT_EQ(contentOf(disk.path("book.epub")), data);

    const std::string again = memory.write("again.epub", "again");
    EXPECT_EQ(platform::moveFileNoReplace(again, disk.path("book.epub")).condition(),
              platform::ErrorCondition::Exists);
    EXPECT_EQ(contentOf(again), "again");
    EXPECT_EQ(contentOf(disk.path("book.epub")), data);
}

TEST(FilesPosix, ReadAndAtomicReplace) {
    TempDir tmp;
    std::string bytes;
    platform::OsError error;
    EXPECT_FALSE(platform::readWholeFile(tmp.path("missing"), bytes, error));
    EXPECT_EQ(error.condition(), platform::ErrorCondition::NotFound);

    const std::string file = tmp.path("settings.ini");
    ASSERT_FALSE(platform::writeFileAtomically(file, "first"));
    ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
    ASSERT_FALSE(platform::writeFileAtomically(file, "second, longer"));
    ASSERT_TRUE(platform::readWholeFile(file, bytes, error));
    EXPECT_EQ(bytes, "second, longer");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);  // the replaced file keeps its mode
    EXPECT_EQ(tmp.names(), std::set<std::string>{"settings.ini"});

    // A write that fails halfway (the file-size limit stands in for a full disk) leaves the
    // old content and no temporary file.
    {
        FileSizeLimit limit(64);
        EXPECT_EQ(platform::writeFileAtomically(file, std::string(4096, 'x')).nativeCode(),
                  static_cast<std::uint32_t>(EFBIG));
    }
    ASSERT_TRUE(platform::readWholeFile(file, bytes, error));
    EXPECT_EQ(bytes, "second, longer");
    EXPECT_EQ(tmp.names(), std::set<std::string>{"settings.ini"});

    EXPECT_EQ(platform::writeFileAtomically(tmp.path("missing/file"), "x").condition(),
              platform::ErrorCondition::NotFound);

    // A settings file kept as a link is replaced at its target; the link stays.
    const std::string target = tmp.write("real.ini", "old");
    ASSERT_EQ(::symlink(target.c_str(), tmp.path("link.ini").c_str()), 0);
    ASSERT_FALSE(platform::writeFileAtomically(tmp.path("link.ini"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.path("link.ini")));
    EXPECT_EQ(contentOf(target), "new");
}

TEST(FilesPosix, AtomicReplaceInReadOnlyFolderKeepsOldContent) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempDir tmp;
    const std::string file = tmp.write("ro/settings.ini", "old");
    ASSERT_EQ(::chmod(tmp.path("ro").c_str(), 0555), 0);
    EXPECT_EQ(platform::writeFileAtomically(file, "new").condition(),
              platform::ErrorCondition::AccessDenied);
    EXPECT_EQ(contentOf(file), "old");
}

}  // namespace

TEST(FilesPosix, KilledCopyLeavesAStaleTemporaryTheNextCopyRemoves) {
    // A child copies into a folder without O_TMPFILE. Past 64 KiB its file size limit raises
    // SIGXFSZ, which stops it halfway through the copy; there it is killed with SIGKILL.
    TempDir tmp;
    const std::string chunk = payload(64 * 1024);
    const std::string source = tmp.write("source.epub", payload(1024 * 1024));
    tmp.folder("dst");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{chunk.size(), chunk.size()};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, [](int) { ::raise(SIGSTOP); });
        platform::testing::useNamedTemporaryFiles(true);
        platform::copyFileNoReplace(source, tmp.path("dst/book.epub"));
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, WUNTRACED);
    ASSERT_TRUE(WIFSTOPPED(status));
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::set<std::string> left = tmp.names("dst");
    ASSERT_EQ(left.size(), 1u);
    const std::string leftover = *left.begin();
    EXPECT_EQ(contentOf(tmp.path("dst/" + leftover)), chunk);

    // The partial file names this host (boot and PID namespace) and its dead owner; only names
    // of exactly that form are ever removed.
    const std::string form = ".book.epub.polcaro-";
    ASSERT_EQ(leftover.substr(0, form.size()), form);
    const std::string host = leftover.substr(form.size(), 8);
    const std::string ours = form + host + "-" + std::to_string(child) + "-";
    ASSERT_EQ(leftover.substr(0, ours.size()), ours);
    ASSERT_EQ(leftover.size(), ours.size() + 6);
    EXPECT_TRUE(platform::isStaleTemporary(leftover));
    const std::string dead = std::to_string(child);
    const std::string foreign = host == "0badc0de" ? "1badc0de" : "0badc0de";
    const std::set<std::string> kept = {
        ".book.epub.polcaro-e51000",                                     // no owner named
        ".book.epub.polcaro-" + dead + "-E51000",                        // not our digits
        ".book.epub.polcaro-" + dead + "-e510000",                       // one digit too many
        "book.epub.polcaro-" + dead + "-e51000",                         // not hidden
        ".polcaro-" + dead + "-e51000",                                  // no target name
        ".live.epub.polcaro-" + std::to_string(::getpid()) + "-e51000",  // its owner runs
        // A pid of another boot or PID namespace (a container, another machine sharing the
        // folder) says nothing here: a recent file may be a live copy.
        ".foreign.epub.polcaro-" + foreign + "-" + dead + "-e51000",
        ".earlier.epub.polcaro-" + dead + "-e51000",  // an earlier version's name, recent
    };
    for (const std::string& name : kept) tmp.write("dst/" + name, "x");
    // Once nothing has written to them for over an hour, those count as left over.
    const std::set<std::string> aged = {
        ".aged.epub.polcaro-" + foreign + "-" + dead + "-e51000",
        ".aged-earlier.epub.polcaro-" + dead + "-e51000",
    };
    for (const std::string& name : aged) {
        const std::string path = tmp.write("dst/" + name, "x");
        const timespec twoHoursAgo[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), twoHoursAgo, 0), 0);
    }
    // Another user's file is never ours to remove, whatever its name says.
    const std::string othersName = ours.substr(0, ours.size() - 1) + "-0e5100";
    if (::geteuid() == 0) {
        const std::string path = tmp.write("dst/" + othersName, "x");
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    tmp.folder("dst/.folder.epub.polcaro-" + dead + "-e51000");  // a folder, not our file

    // The next copy that needs a temporary name in the folder clears the leftover.
    platform::testing::useNamedTemporaryFiles(true);
    EXPECT_FALSE(
        platform::copyFileNoReplace(tmp.write("other.epub", chunk), tmp.path("dst/other.epub")));
    platform::testing::useNamedTemporaryFiles(false);
    std::set<std::string> expected = kept;
    expected.insert("other.epub");
    expected.insert(".folder.epub.polcaro-" + dead + "-e51000");
    if (::geteuid() == 0) expected.insert(othersName);
    EXPECT_EQ(tmp.names("dst"), expected);
}

// What callers test is the condition, whatever the native code; what they show is the system's
// text, in the frame the standard error message box has always shown.
TEST(FilesPosix, FailuresAreNamedConditionsWithTheSystemsText) {
    using platform::ErrorCondition;
    TempDir tmp;
    const platform::OsError missing = platform::createFolder(tmp.path("none/level"));
    EXPECT_EQ(missing.condition(), ErrorCondition::NotFound);
    EXPECT_EQ(missing.describe(), "No such file or directory");
    EXPECT_EQ(std::string(platform::SystemError(missing).what()),
              "System Error.  Code: " + std::to_string(missing.nativeCode()) +
                  ".\nNo such file or directory");
    EXPECT_TRUE(platform::deleteFile(tmp.path("none.epub")).is(ErrorCondition::NotFound));
    // A path through a file is as missing as one through nothing.
    const std::string file = tmp.write("file.epub", "x");
    EXPECT_TRUE(platform::createFolder(file + "/level").is(ErrorCondition::NotFound));

    EXPECT_TRUE(platform::createFolder(file).is(ErrorCondition::Exists));
    EXPECT_TRUE(platform::copyFileNoReplace(file, file).is(ErrorCondition::Exists));

    tmp.write("full/book.epub", "x");
    EXPECT_TRUE(platform::removeFolder(tmp.path("full")).is(ErrorCondition::NotEmpty));

    EXPECT_TRUE(
        platform::createFolder(tmp.path(std::string(300, 'n'))).is(ErrorCondition::NameTooLong));

    // Permissions do not bind root; sysfs refuses a new folder to root as well.
    std::string refusedFolder = tmp.path("ro/level");
    if (::geteuid() == 0) {
        if (!std::filesystem::is_directory("/sys/kernel")) GTEST_SKIP() << "root, and no /sys";
        refusedFolder = "/sys/kernel/polcaro-test";
    } else {
        tmp.folder("ro");
        ASSERT_EQ(::chmod(tmp.path("ro").c_str(), 0555), 0);
    }
    const platform::OsError denied = platform::createFolder(refusedFolder);
    EXPECT_EQ(denied.condition(), ErrorCondition::AccessDenied) << denied.describe();
}
