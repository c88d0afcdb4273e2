// The context-menu entries as Linux desktops read them, written below a temporary prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/error.h"
#include "platform/process.h"
#include "platform/system_folders.h"
#include "shell/desktop_verbs.h"
#include "shell/shell_verbs.h"
#include "shell_test_support.h"

namespace {

namespace fs = std::filesystem;

bool toolExists(const std::string& name) {
    return platform::runProgram("sh", {"-c", "command -v " + name + " >/dev/null"}) == 0;
}

// The value of `key` in `group` of a desktop file, with the key-file escapes undone.
std::string valueOf(const std::string& text, const std::string& group, const std::string& key) {
    const auto start = text.find("[" + group + "]\n");
    if (start == std::string::npos) return "<no group>";
    const auto end = text.find("\n[", start + 1);
    const auto line = text.find("\n" + key + "=", start);
    if (line == std::string::npos || line > end) return "<no key>";
    const auto from = line + key.size() + 2;
    const std::string raw = text.substr(from, text.find('\n', from) - from);
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            const char c = raw[++i];
            value += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            value += raw[i];
        }
    }
    return value;
}

// Splits an Exec value by the Desktop Entry rules: quoted arguments with \" \` \$ \\ escapes,
// "%%" for a percent sign; field codes stay as they are.
std::vector<std::string> execArguments(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, inArgument = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
                current += '%';
                ++i;
            } else {
                current += c;
            }
        } else if (c == '"') {
            quoted = inArgument = true;
        } else if (c == ' ') {
            if (inArgument) args.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) args.push_back(current);
    return args;
}

class DesktopVerbsTest : public ::testing::Test {
protected:
    std::string prefix() const { return folder_.path("share"); }
    std::vector<std::string> filesBelow(const std::string& path) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(path))
            if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), path).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TempDir folder_;
    shelltest::ScopedVariable variable_{"EPUB_POLCARO_SYSTEM_PREFIX", folder_.path("share")};
};

TEST_F(DesktopVerbsTest, PrefixComesFromTheEnvironment) {
    EXPECT_EQ(shell::SystemPrefix(), prefix());
    shelltest::ScopedVariable unset("EPUB_POLCARO_SYSTEM_PREFIX", std::nullopt);
    EXPECT_EQ(shell::SystemPrefix(), "/usr/local/share");
    shelltest::ScopedVariable empty("EPUB_POLCARO_SYSTEM_PREFIX", std::string());
    EXPECT_EQ(shell::SystemPrefix(), "/usr/local/share");
}

TEST_F(DesktopVerbsTest, ExecArgumentSurvivesEveryAwkwardCharacter) {
    const std::string path = "/opt/my \"odd\" $HOME `x` back\\slash 100%/epub polcaro";
    const auto args = execArguments(
        valueOf("[g]\nExec=" + shell::QuoteExecArgument(path) + " %f\n", "g", "Exec"));
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0], path);
    EXPECT_EQ(args[1], "%f");
    EXPECT_THROW(shell::QuoteExecArgument("/a\nb"), platform::Error);
}

TEST_F(DesktopVerbsTest, RegisterWritesBothFilesForTheRunningProgram) {
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations"), 0u);
    const std::string entry = testsupport::contentOf(shell::DesktopEntryPath(prefix()));
    const std::string menu = testsupport::contentOf(shell::ServiceMenuPath(prefix()));
    ASSERT_FALSE(entry.empty());
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(shell::DesktopEntryPath(prefix()), prefix() + "/applications/epub-polcaro.desktop");
    EXPECT_EQ(shell::ServiceMenuPath(prefix()),
              prefix() + "/kio/servicemenus/epub-polcaro.desktop");

    const std::vector<std::string> expected{platform::executablePath(), "%f"};
    EXPECT_EQ(valueOf(entry, "Desktop Entry", "Name"), "Epub polcaro");
    EXPECT_EQ(valueOf(entry, "Desktop Entry", "Type"), "Application");
    EXPECT_EQ(valueOf(entry, "Desktop Entry", "MimeType"), "inode/directory;application/epub+zip;");
    EXPECT_EQ(execArguments(valueOf(entry, "Desktop Entry", "Exec")), expected);
    const std::string action =
        "Desktop Action " + valueOf(entry, "Desktop Entry", "Actions").substr(0, 18);
    EXPECT_EQ(valueOf(entry, action, "Name"), "Gyüjtö könyvtárba másolás ...");
    EXPECT_EQ(execArguments(valueOf(entry, action, "Exec")), expected);

    EXPECT_EQ(valueOf(menu, "Desktop Entry", "Type"), "Service");
    EXPECT_EQ(valueOf(menu, "Desktop Entry", "MimeType"), "inode/directory;application/epub+zip;");
    EXPECT_EQ(valueOf(menu, action, "Name"), "Gyüjtö könyvtárba másolás ...");
    EXPECT_EQ(execArguments(valueOf(menu, action, "Exec")), expected);

    // Twice gives the same files, and no temporary file is left beside them.
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations"), 0u);
    EXPECT_EQ(testsupport::contentOf(shell::DesktopEntryPath(prefix())), entry);
    EXPECT_EQ(testsupport::contentOf(shell::ServiceMenuPath(prefix())), menu);
    for (const auto& name : filesBelow(prefix())) {
        EXPECT_TRUE(name == "applications/epub-polcaro.desktop" ||
                    name == "kio/servicemenus/epub-polcaro.desktop" ||
                    name == "applications/mimeinfo.cache")
            << name;
    }
}

TEST_F(DesktopVerbsTest, WrittenEntryPassesTheValidator) {
    if (!toolExists("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed";
    const std::string odd = folder_.path("a \"quoted\" $dir/epub polcaro 100%");
    shell::WriteDesktopVerbs(prefix(), odd);
    EXPECT_EQ(platform::runProgram("desktop-file-validate", {shell::DesktopEntryPath(prefix())}),
              0);
    const std::string entry = testsupport::contentOf(shell::DesktopEntryPath(prefix()));
    EXPECT_EQ(execArguments(valueOf(entry, "Desktop Entry", "Exec")),
              (std::vector<std::string>{odd, "%f"}));
}

TEST_F(DesktopVerbsTest, UnregisterRemovesExactlyOurFiles) {
    // Nothing registered yet: success, nothing made.
    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(prefix())));

    const std::string other = folder_.path("share/applications/other.desktop");
    const std::string otherMenu = folder_.path("share/kio/servicemenus/other.desktop");
    shell::WriteDesktopVerbs(prefix(), "/usr/bin/epub-polcaro");
    testsupport::writeFile(other, "[Desktop Entry]\nType=Application\nName=Other\nExec=other\n");
    testsupport::writeFile(otherMenu, "keep");

    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(shell::DesktopEntryPath(prefix()))));
    EXPECT_FALSE(fs::exists(testsupport::fsPath(shell::ServiceMenuPath(prefix()))));
    EXPECT_EQ(testsupport::contentOf(otherMenu), "keep");
    EXPECT_TRUE(fs::exists(testsupport::fsPath(other)));
    const std::string cache =
        testsupport::contentOf(folder_.path("share/applications/mimeinfo.cache"));
    EXPECT_EQ(cache.find("epub-polcaro"), std::string::npos) << "the MIME cache must forget us too";

    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_EQ(shell::ShellVerbTask("/Unregister_global_file_associations"), 31u);
}

TEST_F(DesktopVerbsTest, UnknownSwitchTouchesNothing) {
    EXPECT_EQ(shell::ShellVerbTask("/REGISTER_GLOBAL_FILE_ASSOCIATIONS"), 31u);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(prefix())));
}

}  // namespace
