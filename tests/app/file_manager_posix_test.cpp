// Showing a file in the file manager on a freedesktop desktop: the ShowItems call on the session
// bus, answered here by a stand-in file manager on a private bus, and the fallback to xdg-open
// (a stand-in script on the search path) when no file manager answers.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include "platform/file_manager.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Sets an environment variable for the lifetime of the guard.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// The stand-in file manager: answers ShowItems on its own thread, because the caller blocks
// until the answer comes.
class FakeFileManager : public QObject {
    Q_OBJECT
public:
    QMutex mutex;
    QStringList items;
    QString startupId;

public slots:
    void ShowItems(const QStringList& uris, const QString& startup) {
        QMutexLocker lock(&mutex);
        items = uris;
        startupId = startup;
    }
};

TEST(ShowInFileManager, AsksTheFileManagerOverTheSessionBusForTheItemsUri) {
    testsupport::TempTree tree;
    const QString book = tree.writeFile(u("My Books/ő & co.epub"));

    QProcess daemon;
    daemon.start(u("dbus-daemon"), {u("--session"), u("--nofork"), u("--print-address")});
    if (!daemon.waitForStarted(5000)) GTEST_SKIP() << "no dbus-daemon";
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    const QByteArray address = daemon.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());

    QThread thread;
    FakeFileManager manager;
    manager.moveToThread(&thread);
    thread.start();
    {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QString::fromUtf8(address), u("fake-fm"));
        ASSERT_TRUE(bus.isConnected());
        ASSERT_TRUE(bus.registerService(u("org.freedesktop.FileManager1")));
        ASSERT_TRUE(bus.registerObject(u("/org/freedesktop/FileManager1"),
                                       u("org.freedesktop.FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));

        EnvGuard busAddress("DBUS_SESSION_BUS_ADDRESS", address);
        platform::showInFileManager(book.toStdString());
        // A path that names nothing is not shown at all.
        platform::showInFileManager(tree.path(u("missing.epub")).toStdString());
        bus.unregisterObject(u("/org/freedesktop/FileManager1"));
    }
    QDBusConnection::disconnectFromBus(u("fake-fm"));
    thread.quit();
    thread.wait();
    daemon.kill();
    daemon.waitForFinished();

    QMutexLocker lock(&manager.mutex);
    const QString expected =
        u("file://") + QString::fromLatin1(QFile::encodeName(book).toPercentEncoding("/-._~"));
    EXPECT_EQ(manager.items, QStringList({expected}));
    EXPECT_TRUE(manager.items.value(0).contains(u("My%20Books/%C5%91%20%26%20co.epub")));
    EXPECT_TRUE(manager.startupId.isEmpty());
}

TEST(ShowInFileManager, OpensTheFolderWithXdgOpenWhenNoFileManagerAnswers) {
    testsupport::TempTree tree;
    const QString book = tree.writeFile(u("shelf/book.epub"));
    const QString record = tree.path(u("opened.txt"));
    const QString script = tree.writeFile(
        u("bin/xdg-open"), QByteArray("#!/bin/sh\nprintf '%s' \"$1\" > '") + record.toUtf8() +
                               QByteArray(".tmp' && mv '") + record.toUtf8() +
                               QByteArray(".tmp' '") + record.toUtf8() + QByteArray("'\n"));
    ASSERT_TRUE(
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    EnvGuard path("PATH", tree.path(u("bin")).toUtf8() + ":" + qgetenv("PATH"));
    EnvGuard bus("DBUS_SESSION_BUS_ADDRESS",
                 QByteArray("unix:path=") + tree.path(u("no-bus")).toUtf8());
    platform::showInFileManager(book.toStdString());

    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(record) && clock.elapsed() < 10000) QThread::msleep(20);
    QFile opened(record);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly)) << "xdg-open was not started";
    EXPECT_EQ(QString::fromUtf8(opened.readAll()), tree.path(u("shelf")));
}

}  // namespace

#include "file_manager_posix_test.moc"
