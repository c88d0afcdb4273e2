#include "shell/desktop_verbs.h"

#include <cstdlib>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "shell/appdata.h"
#include "shell/shell_verbs.h"

namespace shell {

namespace {

const char* const EntryName = "epub-polcaro.desktop";
const char* const NemoName = "epub-polcaro.nemo_action";
const char* const MimeTypes = "inode/directory;application/epub+zip;";
const char* const ActionId = "copy-to-collection";

std::string applicationsFolder(const std::string& prefix) {
    return platform::joinPath(prefix, "applications");
}

std::string serviceMenuFolder(const std::string& prefix) {
    return platform::joinPath(platform::joinPath(prefix, "kio"), "servicemenus");
}

std::string nemoFolder(const std::string& prefix) {
    return platform::joinPath(platform::joinPath(prefix, "nemo"), "actions");
}

std::string fileManagerFolder(const std::string& prefix) {
    return platform::joinPath(platform::joinPath(prefix, "file-manager"), "actions");
}

void rejectControlCharacters(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw platform::Error("A control character cannot be written into a desktop entry: " +
                                  text);
        }
    }
}

// A key-file value: the file format itself reads "\\" as one backslash.
std::string keyFileValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

// One argument for a parser that follows the shell's quoting rules (Nemo and the file-manager
// actions both split their command line that way): single quotes keep everything literal, and
// a single quote inside is closed, escaped and reopened.
std::string shellQuote(const std::string& argument) {
    rejectControlCharacters(argument);
    std::string quoted = "'";
    for (char c : argument) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string lines(std::initializer_list<std::string> all) {
    std::string text;
    for (const std::string& line : all) text += line + "\n";
    return text;
}

// The text earlier versions wrote as the program entry: a program entry with our menu action.
bool isLegacyEntry(const std::string& text) {
    return text.rfind("[Desktop Entry]\n", 0) == 0 &&
           text.find("\nName=Epub polcaro\n") != std::string::npos &&
           text.find(std::string("\n[Desktop Action ") + ActionId + "]\nName=" + MenuCaption +
                     "\n") != std::string::npos;
}

void writeFile(const std::string& folder, const std::string& path, const std::string& text) {
    if (!ForceFolder(folder)) {
        const auto notFound = platform::OsError::of(platform::ErrorCondition::NotFound);
        throw platform::SystemError(notFound.nativeCode(), "Cannot create folder " + folder);
    }
    if (const platform::OsError error = platform::writeFileAtomically(path, text))
        throw platform::SystemError(error);
}

void removeFile(const std::string& path) {
    if (!platform::fileExists(path)) return;
    if (const platform::OsError error = platform::deleteFile(path))
        throw platform::SystemError(error);
}

// Removes the legacy program entry when it is the one we wrote, then refreshes the MIME cache
// of its folder so the desktop forgets the claim on folders and EPUB files too.
void removeLegacyEntry(const std::string& prefix) {
    const std::string path = LegacyDesktopEntryPath(prefix);
    std::string text;
    platform::OsError error;
    if (!platform::fileExists(path) || !platform::readWholeFile(path, text, error)) return;
    if (!isLegacyEntry(text)) return;
    removeFile(path);
    platform::runProgram("update-desktop-database", {"-q", applicationsFolder(prefix)});
}

}  // namespace

std::string SystemPrefix() {
    const char* prefix = std::getenv("EPUB_POLCARO_SYSTEM_PREFIX");
    return prefix && *prefix ? std::string(prefix) : std::string("/usr/local/share");
}

std::string ServiceMenuPath(const std::string& prefix) {
    return platform::joinPath(serviceMenuFolder(prefix), EntryName);
}

std::string NemoActionPath(const std::string& prefix) {
    return platform::joinPath(nemoFolder(prefix), NemoName);
}

std::string FileManagerActionPath(const std::string& prefix) {
    return platform::joinPath(fileManagerFolder(prefix), EntryName);
}

std::string LegacyDesktopEntryPath(const std::string& prefix) {
    return platform::joinPath(applicationsFolder(prefix), EntryName);
}

std::vector<std::string> DesktopVerbPaths(const std::string& prefix) {
    return {ServiceMenuPath(prefix), NemoActionPath(prefix), FileManagerActionPath(prefix)};
}

std::string QuoteExecArgument(const std::string& argument) {
    rejectControlCharacters(argument);
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // The key file itself escapes backslashes once more; '%' would start a field code.
    std::string escaped;
    for (char c : keyFileValue(quoted)) {
        if (c == '%')
            escaped += "%%";
        else
            escaped += c;
    }
    return escaped;
}

// %f: Dolphin starts one copy per selected item, each with the item's path as an argument of
// its own, so blanks, quotes and dollars in it never reach a shell. TopLevel puts the item
// straight into the context menu, as Explorer does, instead of into the "Actions" submenu.
std::string ServiceMenuText(const std::string& programPath) {
    return lines({
        "[Desktop Entry]",
        "Type=Service",
        "X-KDE-ServiceTypes=KonqPopupMenu/Plugin",
        std::string("MimeType=") + MimeTypes,
        std::string("Actions=") + ActionId + ";",
        "X-KDE-Priority=TopLevel",
        "",
        std::string("[Desktop Action ") + ActionId + "]",
        std::string("Name=") + MenuCaption,
        std::string("Icon=") + ApplicationId,
        "Exec=" + QuoteExecArgument(programPath) + " %f",
    });
}

// Nemo replaces %F by the selected paths, each enclosed in the Quote= character with its
// double quotes escaped, and splits the result like a shell. It has no per-item token, so the
// entry is offered for a single selection only. The first '%' in Exec must be the token: Nemo
// stops expanding at a '%' that starts none.
std::string NemoActionText(const std::string& programPath) {
    if (programPath.find('%') != std::string::npos) {
        throw platform::Error("A program path with '%' cannot be written into a Nemo action: " +
                              programPath);
    }
    return lines({
        "[Nemo Action]",
        std::string("Name=") + MenuCaption,
        std::string("Icon-Name=") + ApplicationId,
        "Exec=" + keyFileValue(shellQuote(programPath)) + " %F",
        "Quote=double",
        "Selection=s",
        std::string("Mimetypes=") + MimeTypes,
    });
}

// The file-manager actions format: %f is the first selected path, already quoted by the file
// manager; a command that holds only such singular parameters runs once per selected item.
// "%%" stands for a percent sign.
std::string FileManagerActionText(const std::string& programPath) {
    std::string program;
    for (char c : shellQuote(programPath)) {
        if (c == '%')
            program += "%%";
        else
            program += c;
    }
    return lines({
        "[Desktop Entry]",
        "Type=Action",
        std::string("Name=") + MenuCaption,
        std::string("Icon=") + ApplicationId,
        "Profiles=default;",
        "",
        "[X-Action-Profile default]",
        std::string("Name=") + MenuCaption,
        "Exec=" + keyFileValue(program) + " %f",
        std::string("MimeTypes=") + MimeTypes,
    });
}

void WriteDesktopVerbs(const std::string& prefix, const std::string& programPath) {
    // Every text is built first, so a path that cannot be written leaves nothing half done.
    const std::string menu = ServiceMenuText(programPath);
    const std::string nemo = NemoActionText(programPath);
    const std::string action = FileManagerActionText(programPath);
    writeFile(serviceMenuFolder(prefix), ServiceMenuPath(prefix), menu);
    writeFile(nemoFolder(prefix), NemoActionPath(prefix), nemo);
    writeFile(fileManagerFolder(prefix), FileManagerActionPath(prefix), action);
    removeLegacyEntry(prefix);
}

void RemoveDesktopVerbs(const std::string& prefix) {
    for (const std::string& path : DesktopVerbPaths(prefix)) removeFile(path);
    removeLegacyEntry(prefix);
}

}  // namespace shell
