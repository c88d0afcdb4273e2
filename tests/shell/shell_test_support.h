#pragma once
// Environment changes for the shell tests (no Qt: these tests also run under Wine); every
// variable is restored. Temporary folders come from support/temp_dir.h.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "platform/system_folders.h"

#include "../support/temp_dir.h"

namespace shelltest {

inline void setVariable(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
}

// Sets (or, with nullopt, removes) an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        setVariable(name_, value);
    }
    ~ScopedVariable() { setVariable(name_, old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Points the roaming application-data folder at a folder of the test's own while it lives.
class ScopedRoamingFolder {
public:
    explicit ScopedRoamingFolder(std::string folder)
        : old_(platform::redirectRoamingAppDataFolder(std::move(folder))) {}
    ~ScopedRoamingFolder() { platform::redirectRoamingAppDataFolder(old_); }
    ScopedRoamingFolder(const ScopedRoamingFolder&) = delete;
    ScopedRoamingFolder& operator=(const ScopedRoamingFolder&) = delete;

private:
    std::string old_;
};

}  // namespace shelltest
