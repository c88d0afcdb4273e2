// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include "platform/file_manager.h"
#include "platform/win32/utf.h"

namespace platform {

void showInFileManager(const std::string& path) {
    // The shell's folder windows need COM on this thread; an apartment set up by the caller
    // (the toolkit's) is used as it is.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring item = win32::widen(path);
    // An item that cannot be resolved (it is gone) opens nothing, not even its folder.
    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(item.c_str());
    if (pidl) {
        SHOpenFolderAndSelectItems(pidl, 0, nullptr, 0);
        ILFree(pidl);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace platform
