// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <shlobj.h>

#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "platform/win32/utf.h"

namespace platform {

namespace {

// Every key is opened in the 64-bit view, also from a 32-bit build: KEY_ALL_ACCESS |
// KEY_WOW64_64KEY = 0xF013F. Existence tests need only read rights, in the same view.
constexpr REGSAM FullAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;
constexpr REGSAM ReadAccess = KEY_READ | KEY_WOW64_64KEY;
static_assert(FullAccess == 0xF013F);

void check(LSTATUS status) {
    if (status != ERROR_SUCCESS) throw SystemError(static_cast<std::uint32_t>(status));
}

// Deletes `name` below `parent` with everything under it, deepest keys first.
void deleteTree(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    const LSTATUS opened = RegOpenKeyExW(parent, name.c_str(), 0, FullAccess, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return;
    check(opened);
    std::vector<std::wstring> children;
    for (DWORD index = 0;; ++index) {
        wchar_t child[256];  // key names are at most 255 characters
        DWORD length = 256;
        const LSTATUS status =
            RegEnumKeyExW(key, index, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) {
            RegCloseKey(key);
            check(status);
        }
        children.emplace_back(child, length);
    }
    try {
        for (const auto& child : children) deleteTree(key, child);
    } catch (...) {
        RegCloseKey(key);
        throw;
    }
    RegCloseKey(key);
    check(RegDeleteKeyExW(parent, name.c_str(), KEY_WOW64_64KEY, 0));
}

class Key : public RegistryKey {
public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() override { RegCloseKey(key_); }

    void writeString(const std::string& name, const std::string& data) override {
        const std::wstring value = win32::widen(name);
        const std::wstring text = win32::widen(data);
        check(RegSetValueExW(key_, value.empty() ? nullptr : value.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
    }

    bool hasSubkey(const std::string& name) override {
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key_, win32::widen(name).c_str(), 0, ReadAccess, &sub) != ERROR_SUCCESS)
            return false;
        RegCloseKey(sub);
        return true;
    }

    void createSubkey(const std::string& name) override {
        HKEY sub = nullptr;
        check(RegCreateKeyExW(key_, win32::widen(name).c_str(), 0, nullptr, 0, FullAccess, nullptr,
                              &sub, nullptr));
        RegCloseKey(sub);
    }

    void deleteSubkeyTree(const std::string& name) override {
        deleteTree(key_, win32::widen(name));
    }

    bool isEmpty() override {
        DWORD subkeys = 0;
        DWORD values = 0;
        check(RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr));
        return subkeys == 0 && values == 0;
    }

private:
    HKEY key_;
};

class ClassesRoot : public Registry {
public:
    std::unique_ptr<RegistryKey> openKey(const std::string& path, bool create) override {
        HKEY key = nullptr;
        const std::wstring name = win32::widen(path);
        if (create) {
            check(RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, FullAccess,
                                  nullptr, &key, nullptr));
        } else {
            const LSTATUS status =
                RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, FullAccess, &key);
            if (status == ERROR_FILE_NOT_FOUND) return nullptr;
            check(status);
        }
        return std::make_unique<Key>(key);
    }

    bool keyExists(const std::string& path) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, win32::widen(path).c_str(), 0, ReadAccess, &key) !=
            ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    std::optional<std::string> readString(const std::string& path,
                                          const std::string& name) override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, win32::widen(path).c_str(), 0, ReadAccess, &key) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        const std::wstring value = win32::widen(name);
        const wchar_t* valueName = value.empty() ? nullptr : value.c_str();
        DWORD type = 0;
        DWORD size = 0;
        std::optional<std::string> result;
        if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
            if (RegQueryValueExW(key, valueName, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
                result = win32::narrow(std::wstring(data.data()));
            }
        }
        RegCloseKey(key);
        return result;
    }
};

}  // namespace

std::unique_ptr<Registry> classesRoot64() {
    return std::make_unique<ClassesRoot>();
}

void notifyAssociationsChanged() {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace platform
