// What the run journal and its undo rely on, on every platform: a file's size and time as the
// copy left them, byte comparison that does not take two names of one file for two copies, and
// an append-only file that never replaces an existing one.
#include "platform/file_status.h"

#include <gtest/gtest.h>

#include <string>

#include "../support/temp_dir.h"
#include "platform/files.h"

namespace {

using testsupport::contentOf;
using testsupport::TempDir;

TEST(FileStatusEverywhere, StatusComparisonAndAppendOnlyFiles) {
    TempDir tmp;
    const std::string book = tmp.write("book.epub", std::string(300000, 'b'));
    platform::OsError error;
    const auto status = platform::fileStatus(book, error);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->size, 300000);
    EXPECT_GT(status->modifiedNs, 946684800LL * 1000000000);  // after the year 2000
    EXPECT_FALSE(platform::fileStatus(tmp.path("missing"), error).has_value());
    EXPECT_EQ(error.condition(), platform::ErrorCondition::NotFound);
    EXPECT_FALSE(platform::fileStatus(tmp.folder("Out"), error).has_value());

    // A copy keeps the size and the time, and holds the same bytes.
    const std::string copy = tmp.path("Out/copy.epub");
    ASSERT_FALSE(platform::copyFileNoReplace(book, copy));
    EXPECT_EQ(platform::fileStatus(copy, error), status);
    bool same = false;
    EXPECT_FALSE(platform::compareFiles(book, copy, same));
    EXPECT_TRUE(same);
    // One file under one name is no second copy of itself.
    EXPECT_FALSE(platform::compareFiles(book, book, same));
    EXPECT_FALSE(same);
    const std::string other = tmp.write("other.epub", std::string(299999, 'b') + "c");
    EXPECT_FALSE(platform::compareFiles(book, other, same));
    EXPECT_FALSE(same);
    EXPECT_TRUE(platform::compareFiles(book, tmp.path("missing"), same));
    // Telling a duplicate from another file, one file under one name holds its own bytes.
    EXPECT_FALSE(platform::sameContents(book, book, same));
    EXPECT_TRUE(same);
    EXPECT_FALSE(platform::sameContents(book, copy, same));
    EXPECT_TRUE(same);
    EXPECT_FALSE(platform::sameContents(book, other, same));
    EXPECT_FALSE(same);
    EXPECT_TRUE(platform::sameContents(tmp.path("missing"), book, same));
    EXPECT_FALSE(same);

    const std::string journal = tmp.path("run.jsonl");
    {
        platform::AppendOnlyFile file;
        ASSERT_FALSE(file.create(journal));
        EXPECT_FALSE(file.append("one\n"));
        EXPECT_FALSE(file.append("two\n"));
        EXPECT_EQ(contentOf(journal), "one\ntwo\n");  // there before any flush or close
        EXPECT_FALSE(file.flush());
    }
    platform::AppendOnlyFile again;
    EXPECT_TRUE(again.create(journal));  // never replaces
    EXPECT_FALSE(again.isOpen());
    ASSERT_FALSE(again.openExisting(journal));
    EXPECT_FALSE(again.append("three\n"));
    again.close();
    EXPECT_EQ(contentOf(journal), "one\ntwo\nthree\n");
}

}  // namespace
