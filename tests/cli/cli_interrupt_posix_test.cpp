// Ctrl-C during an organise run, sent as SIGINT to the built command-line program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

#include "cli_runner.h"
#include "support/temp_tree.h"

namespace {

using clitest::q;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(CliOrganise, InterruptStopsAfterTheCurrentBook) {
    testsupport::TempTree tree;
    const QString config = tree.makeFolder(q("config"));
    // Long folder names make every JSON line long, so that a pipe of one page holds few lines.
    const QString longName = QString(120, u'b');
    const QString in = tree.makeFolder(q("in/") + longName);
    const QString out = tree.path(q("out/") + longName);
    // The program cannot run further ahead of its reader than what the pipe holds: about two
    // pipes' worth of lines before the interrupt lands. The books are many more than that.
    const long pipeBytes = std::max(4096L, ::sysconf(_SC_PAGESIZE));
    const int books = static_cast<int>(2 * pipeBytes / (2 * longName.size()) + 20);
    for (int i = 0; i < books; ++i) {
        const QByteArray name =
            "in/" + longName.toUtf8() + "/book" + QByteArray::number(i) + ".epub";
        const QByteArray title = "Book " + QByteArray::number(i);
        clitest::writeBook(tree, name.constData(), title.constData(), "Ann Author");
    }

    QProcess process;
    clitest::prepareCli(process, {q("organise"), q("--output"), out, q("--no-folders"), in},
                        config);
    // The smallest pipe the system allows on the program's standard output.
    process.setChildProcessModifier(
        [] { ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, static_cast<int>(::sysconf(_SC_PAGESIZE))); });
    process.start();
    ASSERT_TRUE(process.waitForStarted());
    // The first line means the run has begun, and with it the watch for the interrupt.
    ASSERT_TRUE(process.waitForReadyRead(120000)) << process.readAllStandardError().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    ASSERT_TRUE(process.waitForFinished(120000));

    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit) << "the first Ctrl-C must not kill it";
    EXPECT_EQ(process.exitCode(), 1);
    clitest::CliRun run;
    run.out = process.readAllStandardOutput();
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const QList<QJsonObject> lines = run.lines();
    const int handled = static_cast<int>(lines.size());
    ASSERT_GT(handled, 0);
    ASSERT_LT(handled, books) << "the run went on to the end";
    EXPECT_TRUE(run.out.endsWith('\n')) << "the last line is whole";
    EXPECT_TRUE(
        err.contains(q("stopped; %1 of %2 books were not handled").arg(books - handled).arg(books)))
        << err.toStdString();

    // The book being handled was finished: every book reported is whole in the output, and
    // nothing else is there.
    for (const QJsonObject& line : lines) {
        EXPECT_EQ(line[q("result")].toString(), q("Done"));
        EXPECT_EQ(contentOf(line[q("target")].toString()), contentOf(line[q("source")].toString()));
    }
    int written = 0;
    for (QDirIterator it(tree.path(q("out")), QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++written;
    EXPECT_EQ(written, handled);

    // The journal holds exactly the books handled: undo takes back those and no more.
    const clitest::CliRun undo = clitest::runCli({q("undo")}, config);
    EXPECT_EQ(undo.status, 0) << undo.errText().toStdString();
    int undone = 0;
    for (const QJsonObject& line : undo.lines())
        if (line.contains(q("mode"))) ++undone;
    EXPECT_EQ(undone, handled);
}

}  // namespace
