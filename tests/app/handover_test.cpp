// The hand-over of a path from another program: the shared decoding of the COPYDATASTRUCT
// payload, and a real second process talking to the window (its local socket; on Windows a
// WM_COPYDATA message from tests/app/sender).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTreeWidget>

#include "app/handover.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray utf16le(const QString& text, bool withNul = true) {
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    if (withNul) bytes.append('\0').append('\0');
    return bytes;
}

TEST(HandOverDecoding, ThePathIsTheFirstHalfOfCbDataLessOneCharacters) {
    const QByteArray payload = utf16le(u("/könyvek/ő.epub"));
    const auto size = static_cast<std::uint32_t>(payload.size());
    EXPECT_EQ(app::decodeHandOverText(payload.constData(), size), u("/könyvek/ő.epub"));
    // The last character is dropped unseen, whatever it is.
    const QByteArray noNul = utf16le(u("/a/b.epubX"), false);
    EXPECT_EQ(app::decodeHandOverText(noNul.constData(), static_cast<std::uint32_t>(noNul.size())),
              u("/a/b.epub"));
    // An odd byte count: integer division.
    EXPECT_EQ(app::decodeHandOverText(payload.constData(), 7), u("/k"));
    for (std::uint32_t tiny : {0u, 1u, 2u, 3u})
        EXPECT_TRUE(app::decodeHandOverText(payload.constData(), tiny).isEmpty()) << tiny;
    EXPECT_TRUE(app::decodeHandOverText(nullptr, 10).isEmpty());
}

TEST(HandOverDecoding, TheWindowActsOnTheDecodedPathAndAnswersZero) {
    testsupport::TempTree tree;
    const QString book = tree.writeFile(u("a.epub"));
    const QString text = tree.writeFile(u("a.txt"));
    app::TForm1 form;
    const QByteArray good = utf16le(book);
    const QByteArray other = utf16le(text);
    EXPECT_EQ(app::handleHandOver(form, good.constData(), 0), 0);
    EXPECT_EQ(app::handleHandOver(form, good.constData(), 2), 0);
    EXPECT_EQ(
        app::handleHandOver(form, other.constData(), static_cast<std::uint32_t>(other.size())), 0);
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(app::handleHandOver(form, good.constData(), static_cast<std::uint32_t>(good.size())),
              0);
    EXPECT_EQ(form.rowPaths(), QStringList({book}));
}

// Runs the other program (this test binary on POSIX, the sender beside it on Windows) and keeps
// the window's messages flowing until it ends. Returns its exit code, or -1 when it did not end
// in time.
int runClient(const QStringList& arguments) {
    QProcess client;
#ifdef Q_OS_WIN
    client.setProgram(QCoreApplication::applicationDirPath() + u("/handover_sender.exe"));
    client.setArguments(arguments);
#else
    client.setProgram(QCoreApplication::applicationFilePath());
    client.setArguments(QStringList{u("--handover-client")} + arguments);
#endif
    client.setProcessChannelMode(QProcess::ForwardedChannels);
    client.start();
    if (!client.waitForStarted(10000)) return -1;
    QElapsedTimer clock;
    clock.start();
    while (client.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        client.waitForFinished(5);
    }
    if (client.state() != QProcess::NotRunning) {
        client.kill();
        client.waitForFinished();
        return -1;
    }
    return client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

TEST(HandOverFromAnotherProcess, AFolderIsAppendedAndAFileAdded) {
    testsupport::TempTree tree;
    tree.writeFile(u("shelf/one.epub"));
    tree.writeFile(u("shelf/two.epub"));
    tree.writeFile(u("shelf/inner/three.epub"));
    const QString single = tree.writeFile(u("single.EPUB"));
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install(dialogs);
    app::TForm1 form;
    app::TSplash splash;
    form.setSplash(&splash);
    form.AddFileToList(u("/already/1.epub"));
    form.AddFileToList(u("/already/2.epub"));

    const QString address = form.handOverAddress();
    ASSERT_FALSE(address.isEmpty());
#ifdef Q_OS_WIN
    bool isHandle = false;
    EXPECT_EQ(address.toULongLong(&isHandle, 16), static_cast<qulonglong>(form.winId()));
    EXPECT_TRUE(isHandle) << address.toStdString();
#else
    EXPECT_TRUE(address.endsWith(u("epub-polcaro-%1.sock").arg(QCoreApplication::applicationPid())))
        << address.toStdString();
    EXPECT_TRUE(QFileInfo(address).exists());
#endif

    EXPECT_EQ(runClient({address, tree.path(u("shelf"))}), 0);
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 5) << "appended, not replaced";
    EXPECT_EQ(form.rowPaths().mid(0, 2), QStringList({u("/already/1.epub"), u("/already/2.epub")}));
    EXPECT_EQ(form.rowPaths().value(4), tree.path(u("shelf/inner/three.epub")));
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Db:5"));

    EXPECT_EQ(runClient({address, single}), 0);
    EXPECT_EQ(form.rowPaths().value(5), single);

    // Records too short to hold a path, and paths that name nothing: nothing happens, answer 0.
    for (const char* cb : {"0", "1", "2"}) EXPECT_EQ(runClient({address, single, u(cb)}), 0) << cb;
    EXPECT_EQ(runClient({address, tree.path(u("nowhere"))}), 0);
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 6);
    EXPECT_TRUE(dialogs.calls.empty());
}

// The socket's own limit: a WM_COPYDATA record arrives whole, and the window then answers 0
// without reading it, which the test above already covers on Windows.
#ifndef Q_OS_WIN
TEST(HandOverFromAnotherProcess, AnOversizedRecordIsRefusedUnread) {
    app::TForm1 form;
    const QString address = form.handOverAddress();
    ASSERT_FALSE(address.isEmpty());
    // The client announces far more bytes than the window takes: the window hangs up.
    EXPECT_EQ(runClient({address, u("/x.epub"), QString::number(app::kMaxHandOverBytes + 1)}), 4);
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
}
#endif

}  // namespace
