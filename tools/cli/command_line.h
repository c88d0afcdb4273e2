#pragma once
// What the commands share: the help text in the program's own words, the usage error (exit
// status 2) and plain text on stdout and stderr.
#include <QCommandLineParser>
#include <QString>

namespace cli {

// The parser's help with "Usage: epub-polcaro-cli <usage>" as its first line (Qt would name the
// program by the path it was started with) and epilogue after it.
QString helpText(const QCommandLineParser& parser, const QString& usage,
                 const QString& epilogue = QString());

// Prints "<program>: <text>" and where to find the options to stderr; returns 2.
int usageError(const QString& program, const QString& text);

void printOut(const QString& text);
// The text, and a line break unless it ends with one.
void printErr(const QString& text);

// Ctrl-C during a run: the first asks the run to stop after the book being handled, a second
// ends the program at once. watchInterrupt starts listening, stopWatchingInterrupt gives SIGINT
// back its default action.
void watchInterrupt();
void stopWatchingInterrupt();
bool interrupted();
void clearInterrupt();

}  // namespace cli
