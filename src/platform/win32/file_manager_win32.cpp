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
    std::wstring item = win32::widen(path);
    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(item.c_str());
    if (!pidl) {
        // The item is gone: open its folder instead.
        const auto cut = item.find_last_of(L"\\/");
        if (cut != std::wstring::npos) pidl = ILCreateFromPathW(item.substr(0, cut).c_str());
    }
    if (pidl) {
        SHOpenFolderAndSelectItems(pidl, 0, nullptr, 0);
        ILFree(pidl);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace platform
