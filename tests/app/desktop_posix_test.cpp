// The hand-over socket of the POSIX desktop: stale sockets go at start-up, ours at exit.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "app/tform1.h"
#include "support/temp_tree.h"

TEST(Desktop, SocketsOfEndedProcessesAreRemovedAndOursGoesAtExit) {
    testsupport::TempTree tree;
    const QString runtime = tree.makeFolder(QStringLiteral("runtime"));
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    const QString stale = tree.writeFile(QStringLiteral("runtime/epub-polcaro-2147483646.sock"));
    const QString running = tree.writeFile(QStringLiteral("runtime/epub-polcaro-1.sock"));
    const QString other = tree.writeFile(QStringLiteral("runtime/something-else.sock"));
    QString ours;
    {
        app::TForm1 form;
        ours = form.handOverAddress();
        EXPECT_TRUE(QFileInfo::exists(ours));
    }
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(running));  // process 1 runs
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_FALSE(QFileInfo::exists(ours));
}
