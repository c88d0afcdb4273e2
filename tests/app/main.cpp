// GoogleTest main for the window tests: one application object (the program's own, so that its
// notify wrapper is under test too) for the whole executable. Without a display the tests run
// on the offscreen platform.
//
// Started as "app_tests --handover-client <address> <path> [cbData]" it is instead the other
// program of the hand-over tests on POSIX: it connects to a running window's local socket, sends
// one hand-over record and exits with 0 when the window answered 0. (On Windows that program is
// tests/app/sender, which sends WM_COPYDATA.)
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QtEndian>
#ifndef Q_OS_WIN
#include <QLocalSocket>
#endif

#include <cstdlib>
#include <cstring>

#include "app/application.h"

namespace {

#ifndef Q_OS_WIN
int handOverClient(int argc, char** argv) {
    if (argc < 4) return 64;
    QCoreApplication application(argc, argv);
    const QString address = QString::fromLocal8Bit(argv[2]);
    const QString path = QString::fromLocal8Bit(argv[3]);

    // The record as another program writes it: dwData, cbData, UTF-16LE text with its NUL.
    QByteArray text;
    for (QChar c : path) {
        text.append(static_cast<char>(c.unicode() & 0xff));
        text.append(static_cast<char>(c.unicode() >> 8));
    }
    text.append('\0').append('\0');
    const quint32 cbData = argc > 4 ? static_cast<quint32>(std::strtoul(argv[4], nullptr, 10))
                                    : static_cast<quint32>(text.size());
    char header[12];
    qToLittleEndian<quint64>(0x1234, header);
    qToLittleEndian<quint32>(cbData, header + 8);

    QLocalSocket socket;
    socket.connectToServer(address);
    if (!socket.waitForConnected(5000)) return 3;
    socket.write(header, sizeof header);
    socket.write(text.left(static_cast<qsizetype>(std::min<quint32>(cbData, text.size()))));
    if (cbData > static_cast<quint32>(text.size()))
        socket.write(QByteArray(static_cast<qsizetype>(cbData) - text.size(), '\0'));
    socket.flush();
    QByteArray answer;
    while (answer.size() < 8 && socket.waitForReadyRead(30000)) answer += socket.readAll();
    if (answer.size() != 8) return 4;
    return qFromLittleEndian<qint64>(answer.constData()) == 0 ? 0 : 5;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifndef Q_OS_WIN
    if (argc > 1 && std::strcmp(argv[1], "--handover-client") == 0)
        return handOverClient(argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    app::Application application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
