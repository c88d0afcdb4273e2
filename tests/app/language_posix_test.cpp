// The interface-language file on POSIX: unreadable files are reported with the system's reason.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>

#include "app/apply_language.h"
#include "app/form_state.h"
#include "app/language_file.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "platform/error.h"
#include "support/temp_tree.h"

TEST(ApplyLanguage, FileThatCannotBeReadIsReportedWithItsPathAndReason) {
    testsupport::TempTree tree;
    const QString folder = tree.makeFolder(QStringLiteral("a folder"));
    try {
        app::LanguageFile::load(folder);
        FAIL() << "a folder was read as a language file";
    } catch (const platform::Error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("Cannot open file \"") + folder + QStringLiteral("\". ") +
                      QString::fromUtf8(platform::OsError::fromNative(EISDIR).describe()));
    }

    // An eng.lng that exists but refuses to be opened, even by root: a socket.
    const QString program = tree.makeFolder(QStringLiteral("program"));
    const QByteArray socketPath = QDir(program).filePath(QStringLiteral("eng.lng")).toUtf8();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    app::TForm1 form;
    app::TSplash splash;
    app::FormState state;
    try {
        app::applyLanguageStep(&form, &splash, state, program);
        ADD_FAILURE() << "an unreadable language file went unreported";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("Cannot open file \"") +
                                                           QString::fromUtf8(socketPath) +
                                                           QStringLiteral("\". ")))
            << e.what();
    }
    ::close(fd);
    EXPECT_TRUE(state.englishUi);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Epub polcaro"));
}
