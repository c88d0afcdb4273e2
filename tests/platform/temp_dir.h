#pragma once
// A temporary folder for the platform tests (which link no Qt), removed with its content.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace platformtest {

class TempDir {
public:
    explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "polcaro-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        // Read-only folders made by a test must not keep their content alive.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            if (!it->is_symlink()) ::chmod(it->path().c_str(), 0700);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& relative = std::string()) const {
        return relative.empty() ? path_.string() : (path_ / relative).string();
    }
    std::string write(const std::string& relative, const std::string& bytes) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream out(full, std::ios::binary);
        out << bytes;
        if (!out) throw std::runtime_error("cannot write a test file");
        return full.string();
    }
    std::string folder(const std::string& relative) const {
        std::filesystem::create_directories(path_ / relative);
        return (path_ / relative).string();
    }
    // Names in a folder, to see that nothing was left behind.
    std::set<std::string> names(const std::string& relative = std::string()) const {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(path(relative)))
            result.insert(entry.path().filename().string());
        return result;
    }

private:
    std::filesystem::path path_;
};

inline std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace platformtest
