// POSIX has no drive letters and no backslash separator.
#include "platform/path_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(PathRulesPosix, BackslashIsANameCharacterAndEveryColonIsMisplaced) {
    EXPECT_EQ(platform::collapseSeparators("//out//a"), "/out/a");
    EXPECT_EQ(platform::collapseSeparators("a\\\\b"), "a\\\\b");
    EXPECT_TRUE(platform::transferPathAcceptable("/out/AC\\DC.epub"));
    EXPECT_FALSE(platform::folderPathAcceptable("C:/out"));
    EXPECT_FALSE(platform::transferPathAcceptable("C:/out/x.epub"));
    EXPECT_FALSE(platform::folderPathAcceptable("/out/Title: Subtitle"));
}

}  // namespace
