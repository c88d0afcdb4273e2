// Windows paths: the drive letter and its colon, UNC prefixes.
#include <string>

#include <gtest/gtest.h>

#include "platform/path_rules.h"
#include "platform/path_text.h"

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

// A drive root keeps its separator ("C:" alone is the drive's working folder, another place), a
// UNC share is a root as a whole, and '/' separates as '\\' does.
TEST(PathRulesWin32, ParentAndNameAtDriveAndUncRoots) {
    struct Case {
        std::string path;
        std::string parent;
        std::string name;
    };
    const Case cases[] = {
        {"C:\\book.epub", "C:\\", "book.epub"},
        {"C:\\", "C:\\", ""},
        {"C:book.epub", "C:", "book.epub"},
        {"C:", "C:", ""},
        {"C:\\out\\Author\\", "C:\\out", "Author"},
        {"C:/out\\Author/book.epub", "C:/out\\Author", "book.epub"},
        {"C:/book.epub", "C:/", "book.epub"},
        {"\\\\server\\share\\book.epub", "\\\\server\\share\\", "book.epub"},
        {"\\\\server\\share\\out\\book.epub", "\\\\server\\share\\out", "book.epub"},
        {"\\\\server\\share", "\\\\server\\share", ""},
        {"//server/share/book.epub", "//server/share/", "book.epub"},
        {"\\book.epub", "\\", "book.epub"},
        {"book.epub", ".", "book.epub"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::parentFolder(c.path), c.parent) << c.path;
        EXPECT_EQ(platform::lastComponent(c.path), c.name) << c.path;
    }
    EXPECT_EQ(platform::withoutTrailingSeparators("C:\\"), "C:\\");
    EXPECT_EQ(platform::withoutTrailingSeparators("C:\\out\\"), "C:\\out");
}

}  // namespace
