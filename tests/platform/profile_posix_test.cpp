// The POSIX profile files byte by byte: what is kept, where a new key goes, UTF-8 names.
#include "platform/profile.h"

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace {

using testsupport::contentOf;
using testsupport::TempDir;

TEST(ProfilePosix, MissingFileSectionOrKeyGivesTheDefault) {
    TempDir tmp;
    const std::string file = tmp.path("missing.ini");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""), "");
    EXPECT_EQ(platform::readProfileString(file, "s", "k", "fallback  "), "fallback");
    tmp.write("p.ini", "[other]\nDirectory=x\n[kimeneti_mappa]\nFolder=y\n");
    EXPECT_EQ(platform::readProfileString(tmp.path("p.ini"), "kimeneti_mappa", "Directory", "d"),
              "d");
    EXPECT_EQ(tmp.names(), std::set<std::string>{"p.ini"});  // reading creates nothing
}

TEST(ProfilePosix, ReadsLikeWindows) {
    TempDir tmp;
    const std::string file = tmp.write("p.ini",
                                       "\xEF\xBB\xBF; comment\r\n"
                                       "[First]\r\nDirectory=first\r\n"
                                       "  [ KIMENETI_mappa ]  \r\n"
                                       "  directory  =  /home/u/Könyvek/  \r\n"
                                       "Directory=second wins not\r\n"
                                       "Quoted=\"  spaced  \"\r\n"
                                       "Bare\r\n"
                                       "[kimeneti_mappa]\r\nOther=in a repeated section\r\n"
                                       "[Ünnep]\nÁRVÍZ=tűrő\rlast=no line break");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""),
              "/home/u/Könyvek/");
    EXPECT_EQ(platform::readProfileString(file, "first", "DIRECTORY", ""), "first");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Quoted", ""), "  spaced  ");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Bare", "d"), "");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Other", "d"), "d");
    EXPECT_EQ(platform::readProfileString(file, "ünnep", "árvíz", ""), "tűrő");
    EXPECT_EQ(platform::readProfileString(file, "Ünnep", "LAST", ""), "no line break");
}

TEST(ProfilePosix, BufferLimitCountsUtf16Units) {
    TempDir tmp;
    const std::string file = tmp.path("p.ini");
    const std::string longValue = "/" + std::string(2100, 'a');
    ASSERT_FALSE(platform::writeProfileString(file, "kimeneti_mappa", "Directory", longValue));
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""),
              longValue.substr(0, 2047));
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", "", 5), "/aaa");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", "", 1), "");
    // "ő" is one unit, "𝄞" two; a character is never cut in half.
    ASSERT_FALSE(platform::writeProfileString(file, "s", "k", "ő𝄞x"));
    EXPECT_EQ(platform::readProfileString(file, "s", "k", "", 3), "ő");
    EXPECT_EQ(platform::readProfileString(file, "s", "k", "", 4), "ő𝄞");
    EXPECT_EQ(platform::readProfileString(file, "missing", "k", "abcdef", 4), "abc");
}

TEST(ProfilePosix, WritingKeepsEverythingElse) {
    TempDir tmp;
    const std::string file = tmp.path("sub.ini");
    ASSERT_FALSE(platform::writeProfileString(file, "kimeneti_mappa", "Directory", "/a/"));
    EXPECT_EQ(contentOf(file), "[kimeneti_mappa]\nDirectory=/a/\n");

    tmp.write("p.ini",
              "\xEF\xBB\xBF; keep me\r\n[Other]\r\nx = 1\r\n\r\n[KIMENETI_MAPPA]\r\n"
              "directory=/old/\r\nextra=2\r\n\r\n[Last]\r\ny=3");
    const std::string p = tmp.path("p.ini");
    ASSERT_FALSE(platform::writeProfileString(p, "kimeneti_mappa", "Directory", "/new/"));
    EXPECT_EQ(contentOf(p),
              "\xEF\xBB\xBF; keep me\r\n[Other]\r\nx = 1\r\n\r\n[KIMENETI_MAPPA]\r\n"
              "directory=/new/\r\nextra=2\r\n\r\n[Last]\r\ny=3");
    ASSERT_FALSE(platform::writeProfileString(p, "other", "added", "4"));
    ASSERT_FALSE(platform::writeProfileString(p, "last", "z", "5"));
    ASSERT_FALSE(platform::writeProfileString(p, "New", "k", "6"));
    EXPECT_EQ(contentOf(p),
              "\xEF\xBB\xBF; keep me\r\n[Other]\r\nx = 1\r\nadded=4\r\n\r\n[KIMENETI_MAPPA]\r\n"
              "directory=/new/\r\nextra=2\r\n\r\n[Last]\r\ny=3\r\nz=5\r\n[New]\r\nk=6\r\n");
    EXPECT_EQ(platform::readProfileString(p, "other", "x", ""), "1");
    EXPECT_EQ(tmp.names(), (std::set<std::string>{"sub.ini", "p.ini"}));
}

TEST(ProfilePosix, RefusesLineBreaksAndKeepsOldFileOnFailure) {
    TempDir tmp;
    const std::string file = tmp.write("p.ini", "[kimeneti_mappa]\nDirectory=/old/\n");
    // A value with a line break would smuggle a section of its own into the file.
    const auto invalid = platform::OsError::fromNative(EINVAL);
    EXPECT_EQ(platform::writeProfileString(file, "kimeneti_mappa", "Directory", "/a/\n[evil]\nk=v"),
              invalid);
    EXPECT_EQ(platform::writeProfileString(file, "kimeneti_mappa", "Dir=ectory", "x"), invalid);
    EXPECT_EQ(platform::writeProfileString(file, "kimeneti]", "Directory", "x"), invalid);
    EXPECT_EQ(contentOf(file), "[kimeneti_mappa]\nDirectory=/old/\n");
    EXPECT_TRUE(platform::writeProfileString(tmp.path("missing/p.ini"), "s", "k", "v"));

    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 40;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const platform::OsError error =
        platform::writeProfileString(file, "kimeneti_mappa", "Directory", std::string(100, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(error.nativeCode(), static_cast<std::uint32_t>(EFBIG));
    EXPECT_EQ(contentOf(file), "[kimeneti_mappa]\nDirectory=/old/\n");
    EXPECT_EQ(tmp.names(), std::set<std::string>{"p.ini"});
}

}  // namespace
