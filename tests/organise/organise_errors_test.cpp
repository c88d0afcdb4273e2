// What the run reports when the disk says no: the reason names what failed and why, and a target
// that another run took first is the same outcome as one that was there before.
#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <ostream>

#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "organise/file_operations.h"
#include "organise/organise_book.h"
#include "organise/target_rules.h"
#include "platform/files.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace organise {
namespace {

class OneRowList final : public WorkList {
public:
    QString sourcePath;
    QString output;
    QString reason;
    int rowCount() const override { return 1; }
    QString source(int) const override { return sourcePath; }
    void setResultText(int, const QString&) override {}
    void setOutputText(int, const QString& text) override { output = text; }
    void setReason(int, const QString& text) override { reason = text; }
};

class SilentSink final : public core::MessageSink {
public:
    void showMessage(const QString&) override {}
};

// The real disk, except that another program writes a file at the target just before the copy
// or move: after the run looked for one and found none.
class TargetTakenMeanwhile final : public ForwardingFileOperations {
public:
    explicit TargetTakenMeanwhile(FileOperations& disk) : ForwardingFileOperations(disk) {}
    platform::OsError copyFile(const QString& source, const QString& target) override {
        takeFirst(target);
        return inner().copyFile(source, target);
    }
    platform::OsError moveFile(const QString& source, const QString& target) override {
        takeFirst(target);
        return inner().moveFile(source, target);
    }

private:
    static void takeFirst(const QString& target) {
        QFile file(target);
        if (file.open(QIODevice::WriteOnly)) file.write("the other run's book");
    }
};

class OrganiseErrorsTest : public ::testing::Test {
protected:
    testsupport::TempTree tree;
    OneRowList list;
    SilentSink sink;
    BookSettings settings;

    void SetUp() override {
        testsupport::BookSpec spec;
        spec.title = QStringLiteral("T");
        spec.creators = {QStringLiteral("C")};
        list.sourcePath = tree.path(QStringLiteral("in/a.epub"));
        tree.makeFolder(QStringLiteral("in"));
        testsupport::writeBook(list.sourcePath, spec);
        settings.outputFolder = tree.path(QStringLiteral("out/"));
        settings.englishUi = true;
        tree.makeFolder(QStringLiteral("out"));
    }
    OrganiseResult organise(FileOperations& files) {
        return OrganiseBook(list.sourcePath, 0, list, settings, sink, files).result;
    }
    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(OrganiseErrorsTest, AFolderThatCannotBeCreatedIsNamedWithTheSystemsReason) {
    // A file holds the name the creator's folder needs: no permission lets that folder be made.
    const QString blocked = tree.writeFile(QStringLiteral("out/C"), "not a folder");
    const std::string systemsWord =
        platform::createFolder(core::toPlatformPath(blocked)).describe();
    ASSERT_FALSE(systemsWord.empty());

    PlatformFileOperations disk;
    EXPECT_EQ(organise(disk), OrganiseResult::CopyFailed);
    EXPECT_EQ(list.reason, QStringLiteral("The folder cannot be created: ") + DisplayPath(blocked) +
                               QStringLiteral(" (") + QString::fromStdString(systemsWord) +
                               QLatin1Char(')'));
    EXPECT_EQ(list.output, tree.path(QStringLiteral("out/C/C - T.epub")));
    EXPECT_EQ(bytes(blocked), QByteArray("not a folder"));
    EXPECT_TRUE(QFile::exists(list.sourcePath));
}

TEST_F(OrganiseErrorsTest, ATargetTakenAfterTheCheckIsTargetExistsAndKeepsBothBooks) {
    const QString target = tree.path(QStringLiteral("out/C/C - T.epub"));
    const QByteArray book = bytes(list.sourcePath);
    for (const TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
        SCOPED_TRACE(mode == TransferMode::Copy ? "copy" : "move");
        QFile::remove(target);
        settings.mode = mode;
        list.reason = QStringLiteral("from an earlier run");
        PlatformFileOperations disk;
        TargetTakenMeanwhile files(disk);
        EXPECT_EQ(organise(files), OrganiseResult::TargetExists);
        EXPECT_EQ(list.reason, QStringLiteral("a different file has this name"));
        EXPECT_EQ(list.output, target);
        EXPECT_EQ(bytes(target), QByteArray("the other run's book"));
        EXPECT_EQ(bytes(list.sourcePath), book);
    }
}

}  // namespace
}  // namespace organise
