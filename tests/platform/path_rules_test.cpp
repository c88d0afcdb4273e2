#include "platform/path_rules.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(PathRules, CollapseSeparators) {
    EXPECT_EQ(platform::collapseSeparators("/out//Author///Title/"), "/out/Author/Title/");
    EXPECT_EQ(platform::collapseSeparators("//"), "/");
    EXPECT_EQ(platform::collapseSeparators("a"), "a");
    // On POSIX a backslash is a name character, not a separator.
    EXPECT_EQ(platform::collapseSeparators("a\\\\b"), "a\\\\b");
}

TEST(PathRules, TableOfPaths) {
    struct Case {
        std::string path;
        bool folder;
        bool transfer;
    };
    const std::string long247(247, 'a');
    const std::string long259(259, 'a');
    const std::string words = "/home/u/Könyvek/Jókai Mór/Az arany ember.epub";
    // 'ő' is one UTF-16 unit, '𝄞' two: lengths count UTF-16 units, not bytes.
    const std::string units247 = "/" + std::string(244, 'b') + "\xC5\x91" + "c";  // 247 units
    const std::string units248 = "/" + std::string(244, 'b') + "\xF0\x9D\x84\x9E" + "c";  // 248
    const Case cases[] = {
        {words, true, true},
        {"/out/A: B/x.epub", false, false},  // no drive letters on POSIX: every colon is misplaced
        {"C:/out", false, false},
        {"/out/a\"b", false, false},
        {"/out/a<b", false, false},
        {"/out/a>b", false, false},
        {"/out/a|b", false, false},
        {"/out/line\nbreak", false, false},
        {"/out/tab\tx", false, false},
        {std::string("/out/nul") + '\0' + "x", false, false},
        {"/out/what?.epub", true, false},  // folder creation lets the system refuse wildcards
        {"/out/star*.epub", true, false},
        {"/" + long247.substr(1), true, true},
        {"/" + std::string(247, 'a'), true, false},
        {"/" + long259.substr(1), true, false},
        {"/" + std::string(259, 'a'), false, false},
        {"/" + std::string(200, 'a') + std::string(100, '/'), true,
         true},  // measured after collapsing
        {units247, true, true},
        {units248, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::folderPathAcceptable(c.path), c.folder) << c.path;
        EXPECT_EQ(platform::transferPathAcceptable(c.path), c.transfer) << c.path;
    }
}

}  // namespace
