#include "organise/target_rules.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace organise {
namespace {

// Paths in these tests are written with '\' and turned into the native separator, so the
// expectations read like the Windows paths the rules were made for.
QString n(const char* text) {
    QString path = QString::fromUtf8(text);
    path.replace(QLatin1Char('\\'), nativeSeparatorChar());
    return path;
}

BookFields book(const char* title, const char* creator, const char* language = "",
                const char* series = "") {
    return {QString::fromUtf8(title), QString::fromUtf8(creator), QString::fromUtf8(language),
            QString::fromUtf8(series)};
}

NamingOptions options(int scheme, bool language, bool creator, bool title, bool series, bool none) {
    NamingOptions o;
    o.renameScheme = organise::renameSchemeOfItem(scheme);  // the radio group's item index
    o.language = language;
    o.creator = creator;
    o.title = title;
    o.series = series;
    o.none = none;
    return o;
}

TEST(TargetRules, WorkedExampleKeepsTheEmptySeriesLevelAndDisplaysItCollapsed) {
    const Target t = BuildTarget(n("\\in\\z.epub"), book("Y", "X", "hu", ""), n("\\out\\"),
                                 options(1, true, true, false, true, false));
    EXPECT_EQ(t.fileName, QStringLiteral("X - Y.epub"));
    EXPECT_EQ(t.folderPath, n("hu\\X\\\\"));
    EXPECT_EQ(t.targetFolder, n("\\out\\hu\\X\\\\"));
    EXPECT_EQ(t.targetPath, n("\\out\\hu\\X\\\\X - Y.epub"));
    EXPECT_EQ(DisplayPath(t.targetPath), n("\\out\\hu\\X\\X - Y.epub"));
}

TEST(TargetRules, SchemesAndFolderOptions) {
    // The window's initial options: "Creator - Title" in a creator folder.
    Target t = BuildTarget(n("\\in\\a.epub"), book("T", "C"), n("\\out\\"), NamingOptions{});
    EXPECT_EQ(t.targetPath, n("\\out\\C\\C - T.epub"));

    // chknone overrides the four other boxes even when they are all ticked.
    t = BuildTarget(n("\\in\\a.epub"), book("T", "C", "hu", "S"), n("\\out\\"),
                    options(2, true, true, true, true, true));
    EXPECT_TRUE(t.folderPath.isEmpty());
    EXPECT_EQ(t.targetPath, n("\\out\\T - C.epub"));

    // All four levels nest Language, Creator, Series, Title whatever the screen order.
    t = BuildTarget(n("\\in\\a.epub"), book("T", "C", "hu", "S"), n("\\out\\"),
                    options(0, true, true, true, true, false));
    EXPECT_EQ(t.folderPath, n("hu\\C\\S\\T\\"));
    EXPECT_EQ(t.targetPath, n("\\out\\hu\\C\\S\\T\\a.epub"));

    // An upper-case extension stays as it is under both renaming schemes.
    EXPECT_EQ(BuildTarget(n("\\in\\a.EPUB"), book("T", "C"), n("\\o\\"), options(1, 0, 0, 0, 0, 0))
                  .fileName,
              QStringLiteral("C - T.EPUB"));
    EXPECT_EQ(BuildTarget(n("\\in\\a.EpUb"), book("T", "C"), n("\\o\\"), options(2, 0, 0, 0, 0, 0))
                  .fileName,
              QStringLiteral("T - C.EpUb"));

    // Empty fields leave their places empty around " - "; no item selected gives no name.
    EXPECT_EQ(BuildTarget(n("\\in\\a.epub"), book("T", ""), n("\\o\\"), options(1, 0, 0, 0, 0, 0))
                  .fileName,
              QStringLiteral(" - T.epub"));
    EXPECT_EQ(BuildTarget(n("\\in\\a.epub"), book("", ""), n("\\o\\"), options(2, 0, 0, 0, 0, 0))
                  .fileName,
              QStringLiteral(" - .epub"));
    t = BuildTarget(n("\\in\\a.epub"), book("T", "C"), n("\\o\\"), options(-1, 0, 1, 0, 0, 0));
    EXPECT_TRUE(t.fileName.isEmpty());
    EXPECT_EQ(t.targetPath, t.targetFolder);
}

TEST(TargetRules, FileNamesAreCleanedButFolderLevelsAreVerbatim) {
    const BookFields odd = book("A/B: C?", "Kovács\\Anna");
    Target t = BuildTarget(n("\\in\\a.epub"), odd, n("\\o\\"), options(2, 0, 0, 1, 0, 0));
    EXPECT_TRUE(t.fileName.startsWith(QStringLiteral("A_B_ C_ - ")));
    EXPECT_EQ(t.fileName, QStringLiteral("A_B_ C_ - Kovács_Anna.epub"));
    // Both '/' and '\' inside a field nest, on every platform; the colon stays for the run.
    EXPECT_EQ(t.folderPath, n("A\\B: C?\\"));
    t = BuildTarget(n("\\in\\a.epub"), odd, n("\\o\\"), options(1, 0, 1, 0, 0, 0));
    EXPECT_EQ(t.folderPath, n("Kovács\\Anna\\"));

    // Scheme 0 keeps the source name but still replaces the broken bar.
    t = BuildTarget(n("\\in\\x\u00A6y.epub"), odd, n("\\o\\"), options(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(t.fileName, QStringLiteral("x_y.epub"));
    EXPECT_EQ(t.targetPath, n("\\o\\x_y.epub"));
}

TEST(TargetRules, EmptyLevelsLeaveAdjacentSeparatorsThatDisplayPathHalves) {
    Target t = BuildTarget(n("\\in\\a.epub"), book("T", "C", ""), n("\\out\\"),
                           options(1, true, true, false, false, false));
    EXPECT_EQ(t.targetPath, n("\\out\\\\C\\C - T.epub"));
    EXPECT_EQ(DisplayPath(t.targetPath), n("\\out\\C\\C - T.epub"));

    t = BuildTarget(n("\\in\\a.epub"), book("T", "", ""), n("\\out\\"),
                    options(1, true, true, false, false, false));
    EXPECT_EQ(t.targetPath, n("\\out\\\\\\ - T.epub"));
    EXPECT_EQ(DisplayPath(t.targetPath), n("\\out\\\\ - T.epub"));
}

TEST(TargetRules, ReplaceInvalidCharsTouchesExactlyTheTenCharacters) {
    const QString all = QStringLiteral("\"*/:<>?\\|\u00A6");
    EXPECT_EQ(ReplaceInvalidChars(all, QLatin1Char('_')), QStringLiteral("__________"));
    // Everything else survives unchanged, including characters outside the BMP and the
    // look-alikes of the replaced ones.
    const QString kept = QStringLiteral("a.b-c_d e\u00E1\u0151\uFF0F\u2215\U0001F4DA'\t[]");
    EXPECT_EQ(ReplaceInvalidChars(kept, QLatin1Char('_')), kept);
    EXPECT_EQ(ReplaceInvalidChars(QStringLiteral("a:b"), QLatin1Char('#')), QStringLiteral("a#b"));
}

TEST(TargetRules, DisplayPathCollapsesPairsWithoutRescanning) {
    const QChar b = QLatin1Char('\\');
    EXPECT_EQ(DisplayPath(QStringLiteral("a\\\\b"), b), QStringLiteral("a\\b"));
    EXPECT_EQ(DisplayPath(QStringLiteral("a\\\\\\b"), b), QStringLiteral("a\\\\b"));
    EXPECT_EQ(DisplayPath(QStringLiteral("a\\\\\\\\b"), b), QStringLiteral("a\\\\b"));
    EXPECT_EQ(DisplayPath(QStringLiteral("\\\\srv\\x"), b), QStringLiteral("\\srv\\x"));
    EXPECT_EQ(DisplayPath(QStringLiteral("a\\b\\"), b), QStringLiteral("a\\b\\"));
    // Only the given separator collapses.
    EXPECT_EQ(DisplayPath(QStringLiteral("a//b"), b), QStringLiteral("a//b"));
    EXPECT_EQ(DisplayPath(QStringLiteral("a//b"), QLatin1Char('/')), QStringLiteral("a/b"));
}

TEST(TargetRules, FolderChainsThatWouldClimbAreRecognised) {
    for (const char* chain :
         {"..\\", "..\\..\\x\\", "a\\..\\", ".\\", "...\\", "C\\.. \\T\\", "a/../b/"}) {
        EXPECT_TRUE(FolderPathClimbs(n(chain))) << chain;
    }
    for (const char* chain : {"", "a..b\\", ".hidden\\", "a\\\\b\\", "..x\\", "\\\\"}) {
        EXPECT_FALSE(FolderPathClimbs(n(chain))) << chain;
    }
    // A title that tries to climb produces exactly such a chain.
    const Target t = BuildTarget(n("\\in\\a.epub"), book("../../x", ".."), n("\\o\\"),
                                 options(1, false, false, true, false, false));
    EXPECT_TRUE(FolderPathClimbs(t.folderPath));
}

}  // namespace
}  // namespace organise
