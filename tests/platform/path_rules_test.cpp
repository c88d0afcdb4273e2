// The naming rules with the native separator, the same on every platform.
#include "platform/path_rules.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/path_text.h"

namespace {

// A '/'-separated path written with the native separator.
std::string native(std::string path) {
    for (char& c : path)
        if (c == '/') c = platform::nativeSeparator();
    return path;
}

TEST(PathRulesEverywhere, CollapseSeparators) {
    EXPECT_EQ(platform::collapseSeparators(native("out//Author///Title/")),
              native("out/Author/Title/"));
    EXPECT_EQ(platform::collapseSeparators("a"), "a");
    EXPECT_EQ(platform::collapseSeparators(""), "");
}

// The undo removes the folder that held a book it moved back, and lists folders by joining names:
// a book directly below the root must give the root, never an empty path (the working folder).
TEST(PathRulesEverywhere, ParentFolderAndJoin) {
    EXPECT_EQ(platform::parentFolder(native("/out/Author/book.epub")), native("/out/Author"));
    EXPECT_EQ(platform::parentFolder(native("/book.epub")), native("/"));
    EXPECT_EQ(platform::parentFolder("book.epub"), ".");
    EXPECT_EQ(platform::joinPath(native("/out/"), "a.epub"), native("/out/a.epub"));
    EXPECT_EQ(platform::joinPath(native("/out"), "a.epub"), native("/out/a.epub"));
    EXPECT_EQ(platform::joinPath("", "a.epub"), "a.epub");
}

// One rule for the parent and the name of a path, whichever layer asks: the root stays whole
// and is its own parent (a climb upwards ends there), a bare name lies in the working folder,
// and separators after the last component do not make an empty name.
TEST(PathRulesEverywhere, ParentAndNameAtRootsBareNamesAndTrailingSeparators) {
    struct Case {
        std::string path;
        std::string parent;
        std::string name;
    };
    const Case cases[] = {
        {native("/out/Author/book.epub"), native("/out/Author"), "book.epub"},
        {native("/out/Author/"), native("/out"), "Author"},
        {native("/out//Author"), native("/out"), "Author"},
        {native("/book.epub"), native("/"), "book.epub"},
        {native("/"), native("/"), ""},
        {"book.epub", ".", "book.epub"},
        {native("out/"), ".", "out"},
        {".", ".", "."},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::parentFolder(c.path), c.parent) << c.path;
        EXPECT_EQ(platform::lastComponent(c.path), c.name) << c.path;
    }
    EXPECT_EQ(platform::withoutTrailingSeparators(native("/out/Author//")), native("/out/Author"));
    EXPECT_EQ(platform::withoutTrailingSeparators(native("/")), native("/"));
}

TEST(PathRulesEverywhere, CharactersAndLengths) {
    struct Case {
        std::string path;
        bool folder;
        bool transfer;
    };
    // 'ő' is one UTF-16 unit, U+1D11E two: lengths count UTF-16 units, not bytes.
    const std::string clef = "\xF0\x9D\x84\x9E";
    const Case cases[] = {
        {native("out/Jókai Mór/Az arany ember.epub"), true, true},
        {native("out/A: B/x.epub"), false, false},
        {native("out/a\"b"), false, false},
        {native("out/a<b"), false, false},
        {native("out/a>b"), false, false},
        {native("out/a|b"), false, false},
        {native("out/line\nbreak"), false, false},
        {native("out/unit\x1f"
                "separator"),
         false, false},
        {std::string("out") + '\0' + "x", false, false},
        {native("out/what?.epub"), true,
         false},  // folder creation lets the system refuse wildcards
        {native("out/star*.epub"), true, false},
        {std::string(247, 'a'), true, true},
        {std::string(248, 'a'), true, false},
        {std::string(259, 'a'), true, false},
        {std::string(260, 'a'), false, false},
        {std::string(200, 'a') + native(std::string(100, '/')), true, true},  // after collapsing
        {std::string(245, 'b') + "\xC5\x91" + "c", true, true},               // 247 units
        {std::string(245, 'b') + clef + "c", true, false},                    // 248 units
        {std::string(257, 'b') + clef, true, false},                          // 259 units
        {std::string(258, 'b') + clef, false, false},                         // 260 units
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::folderPathAcceptable(c.path), c.folder) << c.path;
        EXPECT_EQ(platform::transferPathAcceptable(c.path), c.transfer) << c.path;
    }
}

}  // namespace
