// Profile-string semantics that hold on every platform (ASCII only: the Windows functions
// read a file without a byte-order mark in the ANSI code page).
#include "platform/profile.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace {

using testsupport::TempDir;

TEST(ProfileEverywhere, ReadsWithWindowsSemantics) {
    TempDir tmp;
    EXPECT_EQ(
        platform::readProfileString(tmp.path("missing.ini"), "kimeneti_mappa", "Directory", ""),
        "");
    EXPECT_EQ(platform::readProfileString(tmp.path("missing.ini"), "s", "k", "fallback  "),
              "fallback");
    EXPECT_TRUE(tmp.names().empty());

    const std::string file = tmp.write("p.ini",
                                       "[Other]\r\nDirectory=other\r\n"
                                       "[KIMENETI_MAPPA]\r\n  directory  =  C:\\Books\\  \r\n"
                                       "Empty=\r\n");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""), "C:\\Books\\");
    EXPECT_EQ(platform::readProfileString(file, "OTHER", "DIRECTORY", ""), "other");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Empty", "d"), "");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Missing", "d"), "d");
    EXPECT_EQ(platform::readProfileString(file, "Missing", "Directory", "d"), "d");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", "", 4), "C:\\");
}

TEST(ProfileEverywhere, WritesCreateAndKeepTheRest) {
    TempDir tmp;
    const std::string file = tmp.path("epub_polcaro.ini");
    ASSERT_FALSE(platform::writeProfileString(file, "kimeneti_mappa", "Directory", "first"));
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""), "first");
    ASSERT_FALSE(platform::writeProfileString(file, "Other", "Key", "kept"));
    ASSERT_FALSE(platform::writeProfileString(file, "KIMENETI_MAPPA", "directory", "second"));
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""), "second");
    EXPECT_EQ(platform::readProfileString(file, "other", "key", ""), "kept");

    const std::string longValue(3000, 'x');
    ASSERT_FALSE(platform::writeProfileString(file, "kimeneti_mappa", "Directory", longValue));
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""),
              longValue.substr(0, 2047));
    EXPECT_EQ(tmp.names(), std::set<std::string>{"epub_polcaro.ini"});
    EXPECT_TRUE(platform::writeProfileString(tmp.path("missing/p.ini"), "s", "k", "v"));
}

TEST(ProfileEverywhere, RefusesEntriesThatWouldWriteLinesOfTheirOwn) {
    TempDir tmp;
    const std::string file = tmp.path("epub_polcaro.ini");
    ASSERT_FALSE(platform::writeProfileString(file, "kimeneti_mappa", "Directory", "old"));
    // A value with a line break would smuggle a section of its own into the file.
    EXPECT_TRUE(
        platform::writeProfileString(file, "kimeneti_mappa", "Directory", "a\r\n[evil]\r\nk=v"));
    EXPECT_TRUE(platform::writeProfileString(file, "kimeneti_mappa", "Directory", "a\nb"));
    EXPECT_TRUE(platform::writeProfileString(file, "kimeneti_mappa", "Dir=ectory", "x"));
    EXPECT_TRUE(platform::writeProfileString(file, "kimeneti]", "Directory", "x"));
    EXPECT_TRUE(platform::writeProfileString(file, "kimeneti_mappa", " ", "x"));
    EXPECT_EQ(platform::readProfileString(file, "evil", "k", "none"), "none");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Directory", ""), "old");
    EXPECT_EQ(platform::readProfileString(file, "kimeneti_mappa", "Dir", "none"), "none");
}

}  // namespace
