#pragma once
// The one temporary folder of the tests: made fresh, removed with its content (read-only
// entries included). Plain C++, so that the platform and shell tests, which link no Qt and also
// run under Wine, use it too; TempTree gives it a QString face for the Qt tests.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

namespace testsupport {

// Paths are UTF-8 text in the platform interface; std::filesystem needs to be told so.
inline std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
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

    const std::filesystem::path& root() const { return path_; }

    // Native path of a '/'-separated path inside the folder; UTF-8.
    std::string path(const std::string& relative = std::string()) const {
        auto full = relative.empty() ? path_ : path_ / fsPath(relative);
        return utf8(full.make_preferred());
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
        for (const auto& entry : std::filesystem::directory_iterator(fsPath(path(relative))))
            result.insert(utf8(entry.path().filename()));
        return result;
    }

private:
    std::filesystem::path path_;
};

inline std::string contentOf(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(fsPath(path), std::ios::binary);
    out << bytes;
}

}  // namespace testsupport
