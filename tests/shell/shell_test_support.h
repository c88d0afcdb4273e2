#pragma once
// Temporary folders and environment changes for the shell tests (no Qt: these tests also run
// under Wine). Everything made here is removed again, and every variable restored.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

namespace shelltest {

inline std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::filesystem::path fromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   ("polcaro-shell-" + std::to_string(seed()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, or a path inside it ('/'-separated relative part), as native UTF-8 text.
    std::string path(const std::string& relative = std::string()) const {
        if (relative.empty()) return utf8(path_);
        return utf8((path_ / fromUtf8(relative)).make_preferred());
    }

private:
    std::filesystem::path path_;
};

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

inline std::string readFile(const std::string& path) {
    std::ifstream in(fromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(fromUtf8(path), std::ios::binary);
    out << bytes;
}

}  // namespace shelltest
