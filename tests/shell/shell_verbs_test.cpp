// The registry layout of the context-menu entries, written against an in-memory registry that
// compares key names without regard to case, as the real one does. The same algorithm runs
// against Wine's registry in registry_win32_test.cpp.
#include "shell/shell_verbs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "shell/run_elevated.h"

namespace {

std::string folded(const std::string& text) {
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Keys by folded full path; each keeps the name it was created with and its values.
struct FakeRegistry : platform::Registry {
    struct Node {
        std::string name;  // the full path as first created
        std::map<std::string, std::string> values;
    };
    std::map<std::string, Node> keys;
    int opened = 0;

    void create(const std::string& path) {
        std::string prefix;
        std::size_t start = 0;
        for (;;) {
            const auto cut = path.find('\\', start);
            prefix = path.substr(0, cut);
            keys.try_emplace(folded(prefix), Node{prefix, {}});
            if (cut == std::string::npos) break;
            start = cut + 1;
        }
    }

    // The root ("") always exists and holds no values.
    struct Key : platform::RegistryKey {
        FakeRegistry& r;
        std::string path;
        Key(FakeRegistry& reg, std::string p) : r(reg), path(std::move(p)) { ++r.opened; }
        ~Key() override { --r.opened; }
        std::string below(const std::string& name) const {
            return path.empty() ? name : path + "\\" + name;
        }
        void writeString(const std::string& name, const std::string& data) override {
            r.keys.at(folded(path)).values[folded(name)] = data;
        }
        bool hasSubkey(const std::string& name) override {
            return r.keys.count(folded(below(name))) > 0;
        }
        void createSubkey(const std::string& name) override { r.create(below(name)); }
        bool isEmpty() override {
            const std::string prefix = path.empty() ? std::string() : folded(path) + "\\";
            for (const auto& [k, node] : r.keys) {
                if (k.rfind(prefix, 0) == 0 && k != folded(path)) return false;
            }
            return path.empty() || r.keys.at(folded(path)).values.empty();
        }
        void deleteSubkeyTree(const std::string& name) override {
            const std::string root = folded(below(name));
            for (auto it = r.keys.begin(); it != r.keys.end();) {
                if (it->first == root || it->first.rfind(root + "\\", 0) == 0) {
                    it = r.keys.erase(it);
                } else {
                    ++it;
                }
            }
        }
    };

    std::unique_ptr<platform::RegistryKey> openKey(const std::string& path, bool create) override {
        if (create) this->create(path);
        if (!path.empty() && !keys.count(folded(path))) return nullptr;
        return std::make_unique<Key>(*this, path);
    }
    bool keyExists(const std::string& path) override { return keys.count(folded(path)) > 0; }
    std::optional<std::string> readString(const std::string& path,
                                          const std::string& name) override {
        const auto key = keys.find(folded(path));
        if (key == keys.end()) return std::nullopt;
        const auto value = key->second.values.find(folded(name));
        if (value == key->second.values.end()) return std::nullopt;
        return value->second;
    }
};

const std::string Program = "C:\\Program Files\\Epub polcaro\\epub-polcaro.exe";
const std::string FileTypeVerb =
    std::string("SystemFileAssociations\\.epub\\shell\\") + shell::MenuCaption;
const std::string FolderVerb = "Directory\\shell\\epubpolcaro";

void registerBoth(FakeRegistry& registry) {
    shell::RegisterFileTypeVerb(registry, shell::MenuCaption, shell::VerbFileType, Program);
    shell::RegisterFolderVerb(registry, Program);
}

void unregisterBoth(FakeRegistry& registry) {
    shell::UnregisterFileTypeVerb(registry, shell::MenuCaption, shell::VerbFileType);
    shell::UnregisterFolderVerb(registry);
}

TEST(ShellVerbs, DataQuotesThePathAndTheClickedItem) {
    EXPECT_EQ(shell::CommandData(Program), "\"" + Program + "\" \"%1\"");
    EXPECT_EQ(shell::IconData(Program), Program + ",0");
    EXPECT_EQ(std::string(shell::MenuCaption), "Gyüjtö könyvtárba másolás ...");
}

TEST(ShellVerbs, RegisteringWritesBothEntriesOnceHowOftenItRuns) {
    FakeRegistry registry;
    registry.create("Directory\\shell");
    registerBoth(registry);

    EXPECT_EQ(registry.readString(FileTypeVerb, "Icon"), Program + ",0");
    EXPECT_FALSE(registry.readString(FileTypeVerb, "").has_value())
        << "the verb key's name is the menu text; it has no default value";
    EXPECT_EQ(registry.readString(FileTypeVerb + "\\command", ""), "\"" + Program + "\" \"%1\"");
    EXPECT_EQ(registry.readString(FolderVerb, ""), shell::MenuCaption);
    EXPECT_EQ(registry.readString(FolderVerb, "Icon"), Program + ",0");
    EXPECT_EQ(registry.readString(FolderVerb + "\\command", ""), "\"" + Program + "\" \"%1\"");
    // The folder verb's command key is created as "Command" and written as "command": one key.
    EXPECT_EQ(registry.keys.at(folded(FolderVerb + "\\command")).name, FolderVerb + "\\Command");
    EXPECT_EQ(registry.opened, 0) << "every key is closed again";

    const auto once = registry.keys.size();
    std::map<std::string, std::map<std::string, std::string>> snapshot;
    for (const auto& [k, v] : registry.keys) snapshot[k] = v.values;
    registerBoth(registry);
    EXPECT_EQ(registry.keys.size(), once);
    for (const auto& [k, v] : registry.keys) EXPECT_EQ(snapshot[k], v.values) << k;

    // Registering again after the program moved points both entries at the new path.
    shell::RegisterFolderVerb(registry, "D:\\x.exe");
    EXPECT_EQ(registry.readString(FolderVerb + "\\command", ""), "\"D:\\x.exe\" \"%1\"");
}

TEST(ShellVerbs, UnregisteringRemovesOnlyTheVerbKeys) {
    FakeRegistry registry;
    registry.create("Directory\\shell\\open\\command");
    registry.create("SystemFileAssociations\\.epub\\shell\\other\\command");
    registerBoth(registry);
    registry.create(FolderVerb + "\\command\\deeper");  // whatever lies below goes too
    unregisterBoth(registry);

    EXPECT_FALSE(registry.keyExists(FileTypeVerb));
    EXPECT_FALSE(registry.keyExists(FileTypeVerb + "\\command"));
    EXPECT_FALSE(registry.keyExists(FolderVerb));
    EXPECT_FALSE(registry.keyExists(FolderVerb + "\\command\\deeper"));
    EXPECT_TRUE(registry.keyExists("Directory\\shell\\open\\command"));
    EXPECT_TRUE(registry.keyExists("SystemFileAssociations\\.epub\\shell\\other\\command"));
    EXPECT_TRUE(registry.keyExists("SystemFileAssociations\\.epub\\shell"));

    // Nothing registered: nothing fails and nothing is created.
    const auto before = registry.keys.size();
    unregisterBoth(registry);
    EXPECT_EQ(registry.keys.size(), before);
    FakeRegistry empty;
    unregisterBoth(empty);
    EXPECT_TRUE(empty.keys.empty());
}

TEST(ShellVerbs, UnregisteringRemovesTheEmptyParentsRegisteringCreated) {
    // Nothing existed: registering (twice) and unregistering leave nothing behind.
    FakeRegistry bare;
    registerBoth(bare);
    registerBoth(bare);
    unregisterBoth(bare);
    EXPECT_TRUE(bare.keys.empty()) << bare.keys.begin()->second.name;
    EXPECT_EQ(bare.opened, 0);

    // The keys that were there stay, also when registering left them empty.
    FakeRegistry partial;
    partial.create("Directory");
    partial.create("SystemFileAssociations\\.epub");
    registerBoth(partial);
    unregisterBoth(partial);
    EXPECT_TRUE(partial.keyExists("Directory"));
    EXPECT_TRUE(partial.keyExists("SystemFileAssociations\\.epub"));
    EXPECT_FALSE(partial.keyExists("Directory\\shell"));
    EXPECT_FALSE(partial.keyExists("SystemFileAssociations\\.epub\\shell"));
    EXPECT_EQ(partial.keys.size(), 3u);

    // A created parent that another program has used meanwhile stays, with the keys above it.
    FakeRegistry shared;
    registerBoth(shared);
    shared.create("Directory\\shell\\other");
    shared.keys.at(folded("SystemFileAssociations\\.epub")).values["contenttype"] = "x";
    unregisterBoth(shared);
    EXPECT_TRUE(shared.keyExists("Directory\\shell\\other"));
    EXPECT_FALSE(shared.keyExists(FolderVerb));
    EXPECT_FALSE(shared.keyExists("SystemFileAssociations\\.epub\\shell"));
    EXPECT_TRUE(shared.keyExists("SystemFileAssociations\\.epub"));

    // A record that names no key above the verb removes nothing of it.
    FakeRegistry tampered;
    tampered.create("Directory\\shell");
    tampered.create("CLSID");
    registerBoth(tampered);
    tampered.keys.at(folded(FolderVerb)).values[folded("EpubPolcaroCreatedParent")] = "CLSID";
    unregisterBoth(tampered);
    EXPECT_TRUE(tampered.keyExists("CLSID"));
    EXPECT_TRUE(tampered.keyExists("Directory\\shell"));
}

TEST(ShellVerbs, TaskAcceptsOnlyTheExactSwitches) {
    EXPECT_EQ(shell::ShellVerbTask("/REGISTER_GLOBAL_FILE_ASSOCIATIONS"), 31u);
    EXPECT_EQ(shell::ShellVerbTask("/register_global_file_associations "), 31u);
    EXPECT_EQ(shell::ShellVerbTask("register_global_file_associations"), 31u);
    EXPECT_EQ(shell::ShellVerbTask(""), 31u);
}

TEST(ShellVerbs, CommandRaisesANonZeroCode) {
    shell::testing::setElevationCheck([] { return true; });
    std::string received;
    std::uint32_t answer = 0;
    shell::OnElevateProc() = [&](const std::string& text) {
        received = text;
        return answer;
    };
    EXPECT_NO_THROW(shell::RunVerbCommand(true, nullptr, [] {}));
    EXPECT_EQ(received, "/register_global_file_associations");
    answer = 5;
    try {
        shell::RunVerbCommand(false, nullptr, [] {});
        ADD_FAILURE() << "code 5 must be raised";
    } catch (const platform::SystemError& e) {
        EXPECT_EQ(e.code(), 5u);
        EXPECT_EQ(std::string(e.what()).rfind("System Error.  Code: 5.\n", 0), 0u) << e.what();
    }
    EXPECT_EQ(received, "/unregister_global_file_associations");
    shell::OnElevateProc() = nullptr;
    shell::testing::setElevationCheck(nullptr);
}

}  // namespace
