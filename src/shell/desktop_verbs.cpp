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
const char* const MimeTypes = "inode/directory;application/epub+zip;";
const char* const ActionId = "copy-to-collection";

std::string applicationsFolder(const std::string& prefix) {
    return platform::joinPath(prefix, "applications");
}

std::string serviceMenuFolder(const std::string& prefix) {
    return platform::joinPath(platform::joinPath(prefix, "kio"), "servicemenus");
}

// %f: the file manager passes the clicked item's path as one argument of its own, so blanks,
// quotes and dollars in it never reach a shell.
std::string execLine(const std::string& programPath) {
    return QuoteExecArgument(programPath) + " %f";
}

void writeFile(const std::string& folder, const std::string& path, const std::string& text) {
    if (!ForceFolder(folder)) throw platform::SystemError(2, "Cannot create folder " + folder);
    if (const int rc = platform::writeFileAtomically(path, text)) {
        throw platform::SystemError(static_cast<std::uint32_t>(rc));
    }
}

void removeFile(const std::string& path) {
    if (!platform::fileExists(path)) return;
    if (const int rc = platform::deleteFile(path))
        throw platform::SystemError(static_cast<std::uint32_t>(rc));
}

void refreshMimeCache(const std::string& prefix) {
    if (platform::folderExists(applicationsFolder(prefix))) {
        platform::runProgram("update-desktop-database", {"-q", applicationsFolder(prefix)});
    }
}

}  // namespace

std::string SystemPrefix() {
    const char* prefix = std::getenv("EPUB_POLCARO_SYSTEM_PREFIX");
    return prefix && *prefix ? std::string(prefix) : std::string("/usr/local/share");
}

std::string DesktopEntryPath(const std::string& prefix) {
    return platform::joinPath(applicationsFolder(prefix), EntryName);
}

std::string ServiceMenuPath(const std::string& prefix) {
    return platform::joinPath(serviceMenuFolder(prefix), EntryName);
}

std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw platform::Error("A control character cannot be written into a desktop entry: " +
                                  argument);
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // The key file itself escapes backslashes once more; '%' would start a field code.
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '%')
            escaped += "%%";
        else
            escaped += c;
    }
    return escaped;
}

std::string DesktopEntryText(const std::string& programPath) {
    const std::string exec = execLine(programPath);
    std::string text;
    for (const std::string& line : {
             std::string("[Desktop Entry]"),
             std::string("Type=Application"),
             std::string("Version=1.4"),
             std::string("Name=Epub polcaro"),
             "Exec=" + exec,
             std::string("Terminal=false"),
             std::string("Categories=Office;"),
             std::string("MimeType=") + MimeTypes,
             std::string("Actions=") + ActionId + ";",
             std::string(),
             std::string("[Desktop Action ") + ActionId + "]",
             std::string("Name=") + MenuCaption,
             "Exec=" + exec,
         }) {
        text += line + "\n";
    }
    return text;
}

std::string ServiceMenuText(const std::string& programPath) {
    const std::string exec = execLine(programPath);
    std::string text;
    for (const std::string& line : {
             std::string("[Desktop Entry]"),
             std::string("Type=Service"),
             std::string("X-KDE-ServiceTypes=KonqPopupMenu/Plugin"),
             std::string("MimeType=") + MimeTypes,
             std::string("Actions=") + ActionId + ";",
             std::string(),
             std::string("[Desktop Action ") + ActionId + "]",
             std::string("Name=") + MenuCaption,
             "Exec=" + exec,
         }) {
        text += line + "\n";
    }
    return text;
}

void WriteDesktopVerbs(const std::string& prefix, const std::string& programPath) {
    // Both texts are built first, so a path that cannot be written leaves nothing half done.
    const std::string entry = DesktopEntryText(programPath);
    const std::string menu = ServiceMenuText(programPath);
    writeFile(applicationsFolder(prefix), DesktopEntryPath(prefix), entry);
    writeFile(serviceMenuFolder(prefix), ServiceMenuPath(prefix), menu);
    refreshMimeCache(prefix);
}

void RemoveDesktopVerbs(const std::string& prefix) {
    removeFile(DesktopEntryPath(prefix));
    removeFile(ServiceMenuPath(prefix));
    refreshMimeCache(prefix);
}

}  // namespace shell
