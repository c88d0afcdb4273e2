// Windows temporaries are "<target name>.~<6 hex digits>" beside the target. The writing process
// holds its temporary open without sharing, so while it runs the file cannot be deleted: a
// temporary that can be deleted is a leftover of a process that no longer runs.
#include <windows.h>

#include "platform/listing.h"
#include "platform/path_text.h"
#include "platform/temporaries.h"
#include "platform/win32/utf.h"

namespace platform {

namespace {

bool hasOurForm(const std::string& name) {
    const std::size_t tilde = name.size() >= 9 ? name.size() - 8 : std::string::npos;
    if (tilde == std::string::npos || tilde == 0 || name.compare(tilde, 2, ".~") != 0) return false;
    for (std::size_t i = tilde + 2; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

}  // namespace

// Whether its owner still runs shows only when deleting it is tried: see removeStaleTemporary.
bool isStaleTemporary(const std::string& name) {
    return hasOurForm(name);
}

bool removeStaleTemporary(const std::string& path) {
    if (!hasOurForm(lastComponent(path))) return false;
    const std::wstring wide = win32::widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    return DeleteFileW(wide.c_str()) != 0;  // fails with a sharing violation while in use
}

int removeStaleTemporaries(const std::string& folder) {
    int removed = 0;
    listFolder(folder, [&](const FolderEntry& entry) {
        if ((entry.attributes & AttrDirectory) == 0 &&
            removeStaleTemporary(joinPath(folder, entry.name)))
            ++removed;
        return true;
    });
    return removed;
}

}  // namespace platform
