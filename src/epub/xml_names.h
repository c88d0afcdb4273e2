#pragma once
// Element and attribute names as the tree holds them: the name as written, split at its first
// colon into prefix and local name, decoded from UTF-8 once for the whole process.
#include <QString>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace epub {

// Splits written (prefix, colon, name) into prefix and local name; without a colon the prefix
// is empty. The texts handed out are views of names kept for the process (or, past a thousand
// distinct names, fresh copies): copies of them share no reference count between threads.
void splitWrittenName(std::string_view written, QString& prefix, QString& local);

// One document's names by their bytes: a document repeats a few dozen names thousands of times,
// and this table answers them without taking the process-wide table's lock. Past kKeptNames
// distinct names the others go to splitWrittenName at each use.
class DocumentNames {
public:
    void split(std::string_view written, QString& prefix, QString& local) {
        split(written, nullptr, prefix, local);
    }
    // The same for a name that may be read on, whatever follows it, up to readable: its key is
    // then read whole rather than byte by byte.
    void split(std::string_view written, const char* readable, QString& prefix, QString& local);

    static constexpr std::size_t kNotKept = std::size_t(-1);
    // Where split keeps written (read as split reads it), or kNotKept when it has not kept it: a
    // name split before, to be had again through copy.
    std::size_t find(std::string_view written, const char* readable) const;
    void copy(std::size_t kept, QString& prefix, QString& local) const {
        const auto& [keptPrefix, keptLocal] = names_[kept];
        // Copied, then moved in: both inline, where assigning is a call.
        prefix = QString(keptPrefix);
        local = QString(keptLocal);
    }

private:
    static constexpr std::size_t kKeptNames = 128;

    // A name's length and its first and last eight bytes: all of a name of up to sixteen
    // bytes, compared without a call.
    struct Key {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::size_t size = 0;  // 0: a free slot
        bool operator==(const Key&) const = default;
    };
    [[gnu::always_inline]] static inline Key keyOf(std::string_view written, const char* readable);

    // The slot holding key (written's), or the free slot where it would go.
    [[gnu::always_inline]] inline std::size_t slotOf(const Key& key,
                                                     std::string_view written) const;

    struct Slot {
        Key key;
        const char* written = nullptr;
        std::size_t entry = 0;  // in names_
    };

    std::array<Slot, 2 * kKeptNames> slots_{};
    std::vector<std::pair<QString, QString>> names_;  // (prefix, local name)
};

inline DocumentNames::Key DocumentNames::keyOf(std::string_view written, const char* readable) {
    // Built in registers and returned whole: written piecewise to memory and read back at once,
    // the key would wait for the stores at every lookup.
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    if (written.size() >= 8) {
        std::memcpy(&head, written.data(), 8);
        std::memcpy(&tail, written.data() + written.size() - 8, 8);
    } else if (std::endian::native == std::endian::little && readable &&
               readable - written.data() >= 8) {
        // Eight bytes read at once, those past the name masked off: the same key.
        std::memcpy(&head, written.data(), 8);
        head &= (std::uint64_t(1) << (8 * written.size())) - 1;
    } else {
        // Byte by byte: a copy of a variable length would be a call.
        for (std::size_t i = 0; i < written.size(); ++i)
            head |= std::uint64_t(static_cast<unsigned char>(written[i])) << (8 * i);
    }
    return Key{head, tail, written.size()};
}

inline std::size_t DocumentNames::slotOf(const Key& key, std::string_view written) const {
    const std::uint64_t mixed =
        (key.head * 0x9E3779B97F4A7C15u) ^ (key.tail * 0xC2B2AE3D27D4EB4Fu) ^ key.size;
    std::size_t i = std::size_t((mixed * 0x9E3779B97F4A7C15u) >> 56) % slots_.size();
    for (; slots_[i].key.size != 0; i = (i + 1) % slots_.size()) {
        const Slot& slot = slots_[i];
        if (slot.key == key &&
            (key.size <= 16 || std::memcmp(slot.written, written.data(), key.size) == 0))
            return i;
    }
    return i;
}

// Inline: asked for every element and attribute name.
inline std::size_t DocumentNames::find(std::string_view written, const char* readable) const {
    if (written.empty()) return kNotKept;  // never kept
    const Slot& slot = slots_[slotOf(keyOf(written, readable), written)];
    return slot.key.size != 0 ? slot.entry : kNotKept;
}

}  // namespace epub
