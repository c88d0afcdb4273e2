// The context-menu entries as Linux desktops read them, written below a temporary prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/process.h"
#include "platform/system_folders.h"
#include "shell/desktop_verbs.h"
#include "shell/run_elevated.h"
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

// Runs `command` with sh and returns what it printed (stdout and stderr).
std::string outputOf(const testsupport::TempDir& folder, const std::string& command) {
    const std::string out = folder.path("output.txt");
    platform::runProgram("sh", {"-c", command + " >'" + out + "' 2>&1"});
    return testsupport::contentOf(out);
}

// The program entry that registering used to write: it claimed folders and EPUB files.
std::string legacyEntry(const std::string& program) {
    const std::string exec = "Exec=" + shell::QuoteExecArgument(program) + " %f\n";
    return "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Epub polcaro\n" + exec +
           "Terminal=false\nCategories=Office;\nMimeType=inode/directory;application/epub+zip;\n"
           "Actions=copy-to-collection;\n\n[Desktop Action copy-to-collection]\n"
           "Name=Gyüjtö könyvtárba másolás ...\n" +
           exec;
}

class DesktopVerbsTest : public ::testing::Test {
protected:
    std::string prefix() const { return folder_.path("share"); }
    std::vector<std::string> filesBelow(const std::string& path) const {
        std::vector<std::string> names;
        if (!fs::exists(testsupport::fsPath(path))) return names;
        for (const auto& entry : fs::recursive_directory_iterator(testsupport::fsPath(path)))
            if (entry.is_regular_file())
                names.push_back(testsupport::utf8(fs::relative(entry.path(), path)));
        std::sort(names.begin(), names.end());
        return names;
    }
    void put(const std::string& path, const std::string& text) const {
        fs::create_directories(testsupport::fsPath(path).parent_path());
        testsupport::writeFile(path, text);
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

TEST_F(DesktopVerbsTest, FailedWriteEndsTheElevatedCopyWith31) {
    // The prefix is a file: no action file can be written below it (the system says ENOTDIR).
    const std::string blocked = prefix() + "/blocked";
    put(blocked, "not a folder");
    shelltest::ScopedVariable variable("EPUB_POLCARO_SYSTEM_PREFIX", blocked);
    try {
        shell::ShellVerbTask("/register_global_file_associations");
        ADD_FAILURE() << "a failed write must raise";
    } catch (const platform::SystemError& error) {
        ADD_FAILURE() << "the system's code " << error.code() << " must not reach the exit code";
    } catch (const platform::Error&) {
    }
    shell::testing::setElevationCheck([] { return true; });
    shell::OnElevateProc() = shell::ShellVerbTask;
    const auto code = shell::ElevatedLaunchResult(
        {std::string("/") + shell::ElevationMarker, "/register_global_file_associations"});
    shell::OnElevateProc() = nullptr;
    shell::testing::setElevationCheck(nullptr);
    EXPECT_EQ(code, std::optional<std::uint32_t>(31u));
}

TEST_F(DesktopVerbsTest, RegisterWritesTheThreeActionFilesForTheRunningProgram) {
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations"), 0u);
    EXPECT_EQ(shell::ServiceMenuPath(prefix()),
              prefix() + "/kio/servicemenus/epub-polcaro.desktop");
    EXPECT_EQ(shell::NemoActionPath(prefix()), prefix() + "/nemo/actions/epub-polcaro.nemo_action");
    EXPECT_EQ(shell::FileManagerActionPath(prefix()),
              prefix() + "/file-manager/actions/epub-polcaro.desktop");
    const std::string menu = testsupport::contentOf(shell::ServiceMenuPath(prefix()));
    const std::string nemo = testsupport::contentOf(shell::NemoActionPath(prefix()));
    const std::string action = testsupport::contentOf(shell::FileManagerActionPath(prefix()));
    EXPECT_EQ(menu, shell::ServiceMenuText(platform::executablePath()));
    EXPECT_EQ(nemo, shell::NemoActionText(platform::executablePath()));
    EXPECT_EQ(action, shell::FileManagerActionText(platform::executablePath()));
    // Only action files: nothing an "Open with" list or a default handler could pick up.
    EXPECT_EQ(filesBelow(prefix()),
              (std::vector<std::string>{"file-manager/actions/epub-polcaro.desktop",
                                        "kio/servicemenus/epub-polcaro.desktop",
                                        "nemo/actions/epub-polcaro.nemo_action"}));

    // The exact texts, for an installed program.
    EXPECT_EQ(shell::ServiceMenuText("/usr/bin/epub-polcaro"),
              "[Desktop Entry]\n"
              "Type=Service\n"
              "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
              "MimeType=inode/directory;application/epub+zip;\n"
              "Actions=copy-to-collection;\n"
              "X-KDE-Priority=TopLevel\n"
              "\n"
              "[Desktop Action copy-to-collection]\n"
              "Name=Gyüjtö könyvtárba másolás ...\n"
              "Icon=hu.epubpolcaro.EpubPolcaro\n"
              "Exec=\"/usr/bin/epub-polcaro\" %f\n");
    EXPECT_EQ(shell::NemoActionText("/usr/bin/epub-polcaro"),
              "[Nemo Action]\n"
              "Name=Gyüjtö könyvtárba másolás ...\n"
              "Icon-Name=hu.epubpolcaro.EpubPolcaro\n"
              "Exec='/usr/bin/epub-polcaro' %F\n"
              "Quote=double\n"
              "Selection=s\n"
              "Mimetypes=inode/directory;application/epub+zip;\n");
    EXPECT_EQ(shell::FileManagerActionText("/usr/bin/epub-polcaro"),
              "[Desktop Entry]\n"
              "Type=Action\n"
              "Name=Gyüjtö könyvtárba másolás ...\n"
              "Icon=hu.epubpolcaro.EpubPolcaro\n"
              "Profiles=default;\n"
              "\n"
              "[X-Action-Profile default]\n"
              "Name=Gyüjtö könyvtárba másolás ...\n"
              "Exec='/usr/bin/epub-polcaro' %f\n"
              "MimeTypes=inode/directory;application/epub+zip;\n");

    // Twice gives the same files, and no temporary file is left beside them.
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations"), 0u);
    EXPECT_EQ(testsupport::contentOf(shell::ServiceMenuPath(prefix())), menu);
    EXPECT_EQ(testsupport::contentOf(shell::NemoActionPath(prefix())), nemo);
    EXPECT_EQ(testsupport::contentOf(shell::FileManagerActionPath(prefix())), action);
    EXPECT_EQ(filesBelow(prefix()).size(), 3u);
}

// Nemo and the file-manager actions split their command line like a shell after putting the
// clicked path in; sh splits it the same way here, so an awkward program path must come back
// whole, next to the clicked path.
TEST_F(DesktopVerbsTest, WrittenFilesGiveBackTheProgramPath) {
    const std::string program = folder_.path("it's \"odd\" $dir/back\\slash/epub polcaro");
    const std::string clicked = "/books/a \"b\" 'c'";
    const auto splitBySh = [&](const std::string& commandLine) {
        return outputOf(folder_, "set -- " + commandLine + "; printf '%s|' \"$@\"");
    };

    // Nemo: %F becomes the path in double quotes with its double quotes escaped.
    std::string nemoPath = "\"";
    for (char c : clicked) nemoPath += c == '"' ? std::string("\\\"") : std::string(1, c);
    nemoPath += "\"";
    std::string exec = valueOf(shell::NemoActionText(program), "Nemo Action", "Exec");
    ASSERT_EQ(exec.substr(exec.size() - 3), " %F");
    EXPECT_EQ(splitBySh(exec.substr(0, exec.size() - 2) + nemoPath), program + "|" + clicked + "|");
    EXPECT_THROW(shell::NemoActionText("/opt/100%/epub-polcaro"), platform::Error);

    // File-manager actions: %f becomes the path in single quotes; "%%" is a percent sign.
    std::string singleQuoted = "'";
    for (char c : clicked) singleQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    singleQuoted += "'";
    const std::string withPercent = program + " 100%";
    exec = valueOf(shell::FileManagerActionText(withPercent), "X-Action-Profile default", "Exec");
    ASSERT_EQ(exec.substr(exec.size() - 3), " %f");
    std::string command;
    for (std::size_t i = 0; i + 2 < exec.size(); ++i) {
        command += exec[i];
        if (exec[i] == '%' && exec[i + 1] == '%') ++i;
    }
    EXPECT_EQ(splitBySh(command + singleQuoted), withPercent + "|" + clicked + "|");

    // Dolphin reads the Desktop Entry rules.
    EXPECT_EQ(execArguments(valueOf(shell::ServiceMenuText(program),
                                    "Desktop Action copy-to-collection", "Exec")),
              (std::vector<std::string>{program, "%f"}));
    EXPECT_THROW(shell::ServiceMenuText("/a\tb"), platform::Error);
    EXPECT_THROW(shell::NemoActionText("/a\tb"), platform::Error);
    EXPECT_THROW(shell::FileManagerActionText("/a\tb"), platform::Error);
    EXPECT_THROW(shell::WriteDesktopVerbs(prefix(), "/opt/100%/epub-polcaro"), platform::Error);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(prefix()))) << "nothing half written";
}

TEST_F(DesktopVerbsTest, UnregisterRemovesExactlyOurFiles) {
    // Nothing registered yet: success, nothing made.
    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(prefix())));

    put(folder_.path("share/applications/other.desktop"),
        "[Desktop Entry]\nType=Application\nName=Other\nExec=other\n");
    put(folder_.path("share/kio/servicemenus/other.desktop"), "keep");
    put(folder_.path("share/nemo/actions/other.nemo_action"), "keep");
    put(folder_.path("share/file-manager/actions/other.desktop"), "keep");
    const auto before = filesBelow(prefix());

    shell::WriteDesktopVerbs(prefix(), "/usr/bin/epub-polcaro");
    EXPECT_EQ(filesBelow(prefix()).size(), before.size() + 3);
    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_EQ(filesBelow(prefix()), before);

    // The program entry of earlier versions goes too, with its MIME cache line; an entry of
    // the same name that is not ours stays.
    put(shell::LegacyDesktopEntryPath(prefix()), legacyEntry(platform::executablePath()));
    platform::runProgram("update-desktop-database", {folder_.path("share/applications")});
    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(shell::LegacyDesktopEntryPath(prefix()))));
    EXPECT_EQ(testsupport::contentOf(folder_.path("share/applications/mimeinfo.cache"))
                  .find("epub-polcaro"),
              std::string::npos);
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Someone else\nExec=x\n";
    put(shell::LegacyDesktopEntryPath(prefix()), foreign);
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations"), 0u);
    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_EQ(testsupport::contentOf(shell::LegacyDesktopEntryPath(prefix())), foreign);

    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_EQ(shell::ShellVerbTask("/Unregister_global_file_associations"), 31u);
}

TEST_F(DesktopVerbsTest, UnknownSwitchTouchesNothing) {
    EXPECT_EQ(shell::ShellVerbTask("/REGISTER_GLOBAL_FILE_ASSOCIATIONS"), 31u);
    EXPECT_FALSE(fs::exists(testsupport::fsPath(prefix())));
}

// The desktop's answer for the default handlers of folders and EPUB files, asked of gio and of
// xdg-mime with only our private data folders: the registered prefix first, then a folder
// holding a file manager. No EPUB reader is installed there, so EPUB files have no default.
TEST_F(DesktopVerbsTest, RegisteringLeavesEveryDefaultHandlerAlone) {
    if (!toolExists("gio") || !toolExists("xdg-mime"))
        GTEST_SKIP() << "gio or xdg-mime is not installed";
    const std::string other = folder_.path("other");
    put(other + "/applications/files.desktop",
        "[Desktop Entry]\nType=Application\nName=Files\nExec=true %U\n"
        "MimeType=inode/directory;\n");
    platform::runProgram("update-desktop-database", {other + "/applications"});
    fs::create_directories(testsupport::fsPath(prefix()));
    const std::string environment =
        "env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION "
        "-u GNOME_DESKTOP_SESSION_ID XDG_DATA_DIRS='" +
        prefix() + ":" + other + "' XDG_DATA_HOME='" + folder_.path("home") +
        "' XDG_CONFIG_HOME='" + folder_.path("config") + "' XDG_CONFIG_DIRS='" +
        folder_.path("config-dirs") + "' ";
    const auto defaults = [&] {
        std::string answers;
        for (const std::string type : {"inode/directory", "application/epub+zip"}) {
            answers += outputOf(folder_, environment + "gio mime " + type);
            answers += outputOf(folder_, environment + "xdg-mime query default " + type);
        }
        return answers;
    };

    const std::string before = defaults();
    ASSERT_NE(before.find("Default application for “inode/directory”: files.desktop"),
              std::string::npos)
        << before;
    ASSERT_EQ(before.find("epub-polcaro"), std::string::npos) << before;

    // The entry earlier versions wrote takes over folders: the check sees it.
    put(shell::LegacyDesktopEntryPath(prefix()), legacyEntry(platform::executablePath()));
    platform::runProgram("update-desktop-database", {prefix() + "/applications"});
    ASSERT_NE(defaults().find("Default application for “inode/directory”: epub-polcaro.desktop"),
              std::string::npos);

    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations"), 0u);
    EXPECT_EQ(defaults(), before);
    EXPECT_EQ(shell::ShellVerbTask("/unregister_global_file_associations"), 0u);
    EXPECT_EQ(defaults(), before);
}

}  // namespace
