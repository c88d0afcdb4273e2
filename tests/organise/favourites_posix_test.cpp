// Saving the favourites on POSIX: the exact reason text, and a write that fails halfway.
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <csignal>

#include <gtest/gtest.h>

#include "organise/favourites.h"
#include "platform/error.h"
#include "support/temp_tree.h"

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FavouritesPosix, FailuresKeepTheStoredListAndSayWhy) {
    testsupport::TempTree tree;
    organise::Favourites favourites;
    favourites.loaded = true;
    favourites.entries = QStringList{QStringLiteral("/a/")};
    const QString file = tree.path(QStringLiteral("missing/directory.txt"));
    try {
        organise::SaveFavourites(file, favourites);
        FAIL() << "no error raised";
    } catch (const platform::Error& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QStringLiteral("Cannot create file \"") + file +
                      QStringLiteral("\". No such file or directory"));
    }

    // A write that fails halfway (the file-size limit stands in for a full disk) leaves the
    // stored list as it was.
    const QString stored = tree.writeFile(QStringLiteral("directory.txt"), "/old/\r\n");
    favourites.entries.clear();
    for (int i = 0; i < 200; ++i)
        favourites.entries.append(QStringLiteral("/a/long/folder/name/%1/").arg(i));
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(organise::SaveFavourites(stored, favourites), platform::Error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(contentOf(stored), QByteArray("/old/\r\n"));
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("directory.txt")});
}

}  // namespace
