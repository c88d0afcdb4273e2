#pragma once
// Runs the built epub-polcaro-cli (the build hands its path over as POLCARO_CLI) against the
// test's own application-data folder, and lists folder trees so that a test can compare a tree
// before and after a command.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "support/temp_tree.h"

namespace clitest {

inline QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Writes a small well-formed book at `relative` inside the tree and returns its path.
QString writeBook(testsupport::TempTree& tree, const char* relative, const char* title,
                  const char* creator, const char* language = "en", const char* series = "");

struct CliRun {
    int status = -1;  // the exit status; -1 when the program did not end by itself
    QByteArray out;
    QByteArray err;

    // Standard output as JSON Lines; a line that is not a JSON object fails the test.
    QList<QJsonObject> lines() const;
    QString errText() const { return QString::fromUtf8(err); }
};

// The program's environment: the organise journal and the settings go below `configHome`
// (XDG_CONFIG_HOME), never into the profile of the user running the tests.
QProcessEnvironment cliEnvironment(const QString& configHome);

// A QProcess set up to start the program with `arguments`; not started.
void prepareCli(QProcess& process, const QStringList& arguments, const QString& configHome);

// Runs the program to its end (at most two minutes) and collects what it wrote.
CliRun runCli(const QStringList& arguments, const QString& configHome);

// Every entry below `root`, sorted, one line each: "path/" for a folder and "path size sha256"
// for a file, the path relative to `root` with '/'.
QStringList treeListing(const QString& root);

// The object's keys, sorted.
QStringList keysOf(const QJsonObject& object);

}  // namespace clitest
