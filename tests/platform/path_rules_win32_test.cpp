// Windows paths: the drive letter and its colon, UNC prefixes.
#include <gtest/gtest.h>

#include "platform/path_rules.h"

namespace {

TEST(PathRulesWin32, DriveLettersAndUncPaths) {
    EXPECT_EQ(platform::collapseSeparators("C:\\out\\\\Author\\\\\\x.epub"),
              "C:\\out\\Author\\x.epub");
    EXPECT_EQ(platform::collapseSeparators("\\\\server\\share\\\\Books\\"),
              "\\\\server\\share\\Books\\");
    EXPECT_TRUE(platform::folderPathAcceptable("C:\\out\\Author"));
    EXPECT_TRUE(platform::transferPathAcceptable("c:\\out\\x.epub"));
    EXPECT_FALSE(platform::folderPathAcceptable("C:\\out\\Title: Subtitle"));
    EXPECT_FALSE(platform::transferPathAcceptable("C:\\out\\a:b.epub"));
    EXPECT_FALSE(platform::folderPathAcceptable("1:\\out"));
    // A drive that does not exist refuses folder creation; the copy finds out for itself.
    EXPECT_FALSE(platform::folderPathAcceptable("Q:\\out"));
}

}  // namespace
