#pragma once
// A temporary folder for the platform tests (which link no Qt), removed with its content.
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

namespace platformtest {

// Paths are UTF-8 text in the platform interface; std::filesystem needs to be told so.
inline std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

class TempDir {
public:
    explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = base / ("polcaro-test-" + std::to_string(random() % 1000000000));
            if (std::filesystem::create_directory(candidate)) path_ = candidate;
        }
        if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempDir() {
        std::error_code ignored;
        // Read-only entries made by a test must not keep their content alive.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            if (!it->is_symlink(ignored))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Native path of a '/'-separated path inside the folder; UTF-8.
    std::string path(const std::string& relative = std::string()) const {
        auto full = relative.empty() ? path_ : path_ / fsPath(relative);
        const auto text = full.make_preferred().u8string();
        return std::string(text.begin(), text.end());
    }
    std::string write(const std::string& relative, const std::string& bytes) const {
        const auto full = fsPath(path(relative));
        std::filesystem::create_directories(full.parent_path());
        std::ofstream out(full, std::ios::binary);
        out << bytes;
        if (!out) throw std::runtime_error("cannot write a test file");
        return path(relative);
    }
    std::string folder(const std::string& relative) const {
        std::filesystem::create_directories(fsPath(path(relative)));
        return path(relative);
    }
    // Names in a folder, to see that nothing was left behind.
    std::set<std::string> names(const std::string& relative = std::string()) const {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(fsPath(path(relative)))) {
            const auto name = entry.path().filename().u8string();
            result.insert(std::string(name.begin(), name.end()));
        }
        return result;
    }

private:
    std::filesystem::path path_;
};

inline std::string contentOf(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace platformtest
