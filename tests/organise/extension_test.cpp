#include <gtest/gtest.h>

#include "organise/extension.h"

using organise::hasEpubExtension;
using organise::sourceExtension;

TEST(Extension, EpubMatchesOnlyAtoZCaseFolding) {
    EXPECT_TRUE(hasEpubExtension(QStringLiteral("/b/x.epub")));
    EXPECT_TRUE(hasEpubExtension(QStringLiteral("/b/x.EPUB")));
    EXPECT_TRUE(hasEpubExtension(QStringLiteral("C:\\b\\x.ePuB")));
    EXPECT_FALSE(hasEpubExtension(QStringLiteral("/b/x.epub.bak")));
    EXPECT_FALSE(hasEpubExtension(QStringLiteral("/b/x")));
    EXPECT_FALSE(hasEpubExtension(QStringLiteral("/b.epub/x")));
}

TEST(Extension, ExtensionKeepsItsCaseAndComesFromTheLastComponent) {
    EXPECT_EQ(sourceExtension(QStringLiteral("/a.b/c.EPUB")), QStringLiteral(".EPUB"));
    EXPECT_EQ(sourceExtension(QStringLiteral("/a.b/c")), QString());
    EXPECT_EQ(sourceExtension(QStringLiteral("x.tar.epub")), QStringLiteral(".epub"));
}
