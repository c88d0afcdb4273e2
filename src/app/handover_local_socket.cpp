// The hand-over over a local socket, for desktops without WM_COPYDATA. Each main window listens
// on its own socket, named after the process, in the user's runtime folder.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QtEndian>
#include <memory>

#include "app/handover.h"
#include "app/tform1.h"
#include "platform/termination.h"

namespace app {
namespace {

constexpr qsizetype kHeaderBytes = 8 + 4;
// A client that stops sending halfway is dropped after this long.
constexpr int kReceiveTimeoutMs = 5000;

QString socketFolder() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::tempPath();
    return folder;
}

QString socketPath() {
    return QDir(socketFolder())
        .filePath(QStringLiteral("epub-polcaro-%1.sock").arg(QCoreApplication::applicationPid()));
}

// Sockets of windows that were killed (SIGKILL, a crash, power loss) stay behind; each names the
// process it belonged to, so one whose process no longer runs can go.
void removeStaleSockets() {
    static const QRegularExpression ours(QStringLiteral("^epub-polcaro-([0-9]{1,18})\\.sock$"));
    const QDir folder(socketFolder());
    const QStringList names =
        folder.entryList({QStringLiteral("epub-polcaro-*.sock")}, QDir::System | QDir::Files);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = ours.match(name);
        if (match.hasMatch() && !platform::processRunning(match.captured(1).toLongLong()))
            QFile::remove(folder.filePath(name));
    }
}

}  // namespace

struct HandOverServer::Impl {
    TForm1& form;
    QLocalServer server;
    QString address;

    explicit Impl(TForm1& f) : form(f) {}

    void accept() {
        while (QLocalSocket* socket = server.nextPendingConnection()) receive(socket);
    }

    void receive(QLocalSocket* socket) {
        struct Record {
            QByteArray bytes;
            bool taken = false;
        };
        auto record = std::make_shared<Record>();
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        QObject::connect(timeout, &QTimer::timeout, socket, &QLocalSocket::abort);
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto onData = [this, socket, record, timeout] {
            if (record->taken) return;  // the record is being acted on: later bytes are ignored
            record->bytes.append(socket->readAll());
            if (record->bytes.size() < kHeaderBytes) return;
            const std::uint32_t cbData = qFromLittleEndian<quint32>(record->bytes.constData() + 8);
            if (cbData > kMaxHandOverBytes) {
                record->taken = true;
                socket->abort();
                return;
            }
            if (record->bytes.size() < kHeaderBytes + static_cast<qsizetype>(cbData)) return;
            record->taken = true;
            timeout->stop();
            const QByteArray payload = record->bytes.mid(kHeaderBytes, cbData);
            // Acting on the path may search a large folder, handling window messages (and
            // further hand-overs) as it goes; the client waits for the answer meanwhile.
            QPointer<QLocalSocket> guard(socket);
            const std::intptr_t result = handleHandOver(form, payload.constData(), cbData);
            if (!guard) return;
            char answer[8];
            qToLittleEndian<qint64>(static_cast<qint64>(result), answer);
            guard->write(answer, sizeof answer);
            guard->flush();
            guard->disconnectFromServer();
        };
        QObject::connect(socket, &QLocalSocket::readyRead, socket, onData);
        timeout->start(kReceiveTimeoutMs);
        if (socket->bytesAvailable() > 0) onData();
    }
};

HandOverServer::HandOverServer(TForm1& form) : impl_(std::make_unique<Impl>(form)) {
    removeStaleSockets();
    const QString path = socketPath();
    // A socket file left by a process that crashed would block the name.
    QLocalServer::removeServer(path);
    impl_->server.setSocketOptions(QLocalServer::UserAccessOption);
    if (impl_->server.listen(path)) {
        impl_->address = impl_->server.fullServerName();
        QObject::connect(&impl_->server, &QLocalServer::newConnection, &impl_->server,
                         [this] { impl_->accept(); });
    }
}

HandOverServer::~HandOverServer() = default;

QString HandOverServer::address() const {
    return impl_->address;
}

}  // namespace app
