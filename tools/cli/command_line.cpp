#include "command_line.h"

#include <csignal>
#include <cstdio>

#include "platform/console.h"

namespace cli {

namespace {

// UTF-8 into a pipe or a file (the JSON lines), the characters themselves into a console.
void print(std::FILE* stream, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    platform::writeText(stream,
                        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace

QString helpText(const QCommandLineParser& parser, const QString& usage, const QString& epilogue) {
    QString text = parser.helpText();
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    text.replace(0, firstLineEnd, QStringLiteral("Usage: epub-polcaro-cli ") + usage);
    if (!epilogue.isEmpty()) text += QLatin1Char('\n') + epilogue;
    return text;
}

int usageError(const QString& program, const QString& text) {
    printErr(program + QStringLiteral(": ") + text);
    printErr(QStringLiteral("Run '%1 --help' for the options.").arg(program));
    return 2;
}

void printOut(const QString& text) {
    print(stdout, text);
}

void printErr(const QString& text) {
    print(stderr, text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n'));
}

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

void watchInterrupt() {
    std::signal(SIGINT, onInterrupt);
}

void stopWatchingInterrupt() {
    std::signal(SIGINT, SIG_DFL);
}

bool interrupted() {
    return gInterrupted != 0;
}

void clearInterrupt() {
    gInterrupted = 0;
}

}  // namespace cli
