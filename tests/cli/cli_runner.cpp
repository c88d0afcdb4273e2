#include "cli_runner.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>

#include "support/epub_builder.h"

namespace clitest {

QString writeBook(testsupport::TempTree& tree, const char* relative, const char* title,
                  const char* creator, const char* language, const char* series) {
    testsupport::BookSpec spec;
    spec.title = q(title);
    spec.creators = {q(creator)};
    spec.language = q(language);
    spec.series = q(series);
    const QString path = tree.path(q(relative));
    QDir().mkpath(QFileInfo(path).path());
    testsupport::writeBook(path, spec);
    return path;
}

QList<QJsonObject> CliRun::lines() const {
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            ADD_FAILURE() << "not a JSON object: " << line.toStdString();
            continue;
        }
        objects.append(document.object());
    }
    return objects;
}

QProcessEnvironment cliEnvironment(const QString& configHome) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return environment;
}

void prepareCli(QProcess& process, const QStringList& arguments, const QString& configHome) {
    process.setProgram(QString::fromUtf8(POLCARO_CLI));
    process.setArguments(arguments);
    process.setProcessEnvironment(cliEnvironment(configHome));
}

CliRun runCli(const QStringList& arguments, const QString& configHome) {
    QProcess process;
    prepareCli(process, arguments, configHome);
    process.start();
    CliRun run;
    if (!process.waitForStarted()) {
        ADD_FAILURE() << "cannot start " << POLCARO_CLI;
        return run;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "the program did not end: " << arguments.join(u' ').toStdString();
        process.kill();
        process.waitForFinished();
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit) run.status = process.exitCode();
    return run;
}

QStringList treeListing(const QString& root) {
    QStringList listing;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = base.relativeFilePath(path);
        if (info.isDir() && !info.isSymLink()) {
            listing << relative + QLatin1Char('/');
            continue;
        }
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
            ADD_FAILURE() << "cannot read " << path.toStdString();
        listing << relative + QLatin1Char(' ') + QString::number(info.size()) + QLatin1Char(' ') +
                       QString::fromLatin1(hash.result().toHex());
    }
    std::sort(listing.begin(), listing.end());
    return listing;
}

QStringList keysOf(const QJsonObject& object) {
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

}  // namespace clitest
