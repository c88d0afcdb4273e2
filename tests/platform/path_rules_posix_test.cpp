// POSIX has no drive letters and no backslash separator.
#include "platform/path_rules.h"

#include <gtest/gtest.h>

#include "platform/path_text.h"

namespace {

TEST(PathRulesPosix, BackslashIsANameCharacterAndEveryColonIsMisplaced) {
    EXPECT_EQ(platform::collapseSeparators("//out//a"), "/out/a");
    EXPECT_EQ(platform::collapseSeparators("a\\\\b"), "a\\\\b");
    EXPECT_TRUE(platform::transferPathAcceptable("/out/AC\\DC.epub"));
    EXPECT_FALSE(platform::folderPathAcceptable("C:/out"));
    EXPECT_FALSE(platform::transferPathAcceptable("C:/out/x.epub"));
    EXPECT_FALSE(platform::folderPathAcceptable("/out/Title: Subtitle"));
    // "C:" and a backslash are name characters here: no drive root, no second separator.
    EXPECT_EQ(platform::parentFolder("C:\\book.epub"), ".");
    EXPECT_EQ(platform::lastComponent("/out/AC\\DC.epub"), "AC\\DC.epub");
}

}  // namespace
