#pragma once
// The machine-wide file-type part of the registry (HKEY_CLASSES_ROOT), always in the 64-bit
// view, behind a small interface so that the verb registration can also run against a fake.
#include <memory>
#include <optional>
#include <string>

namespace platform {

// An open key; closed when destroyed. Names compare without regard to case.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Writes a REG_SZ value; the empty name is the key's default value. Throws SystemError.
    virtual void writeString(const std::string& name, const std::string& data) = 0;
    virtual bool hasSubkey(const std::string& name) = 0;
    // Creates the subkey (or opens it when it exists) and closes it again. Throws SystemError.
    virtual void createSubkey(const std::string& name) = 0;
    // Deletes the subkey and all keys below it, deepest first. Throws SystemError.
    virtual void deleteSubkeyTree(const std::string& name) = 0;
    // True when the key has neither subkeys nor values (not even a default value).
    virtual bool isEmpty() = 0;
};

// Keys below one root; paths use '\\' between key names.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens a key for reading and writing. With `create` a missing key is created together
    // with its missing parents; without it a missing key gives nullptr. Throws SystemError
    // when the key exists but cannot be opened, or cannot be created.
    virtual std::unique_ptr<RegistryKey> openKey(const std::string& path, bool create) = 0;
    virtual bool keyExists(const std::string& path) = 0;
    // The data of a REG_SZ value; nothing when the key or value is missing.
    virtual std::optional<std::string> readString(const std::string& path,
                                                  const std::string& name) = 0;
};

// HKEY_CLASSES_ROOT opened with KEY_ALL_ACCESS | KEY_WOW64_64KEY (0xF013F); existence tests
// use read rights with the same view flag. Windows only.
std::unique_ptr<Registry> classesRoot64();

// Tells the shell that file associations have changed (SHChangeNotify with
// SHCNE_ASSOCCHANGED and SHCNF_IDLIST, no items). Windows only.
void notifyAssociationsChanged();

}  // namespace platform
