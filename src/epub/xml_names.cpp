#include "epub/xml_names.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace epub {

namespace {

void splitName(const QString& written, QString& prefix, QString& local) {
    const qsizetype colon = written.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        local = written;
        prefix.clear();
    } else {
        prefix = written.left(colon);
        local = written.mid(colon + 1);
    }
}

// A QString over text that lives as long as the process: copies of it share no reference count.
QString immortalView(const QString& kept) {
    return kept.isNull() ? QString() : QString::fromRawData(kept.constData(), kept.size());
}

// The (prefix, local name) of a name as written, decoded once for the whole process: a book's
// documents use the same few dozen names as every other book's, and a small document would
// otherwise decode each of its names afresh. Readers on several threads share it; after the
// first books every lookup is a hit under the shared lock. The names handed out are views of
// the kept text (which is never changed or freed), not shared copies: every element and
// attribute holds its names, and copies of one shared string would make the reading threads
// take turns at its reference count. (Not a thread_local: built with mingw-w64, a thread_local
// holding these strings left the heap's lock taken when a reading thread ended, and the next
// free() waited forever.) Past kKeptNames distinct names (far more than books use) the others
// are decoded at each use.
class WrittenNames {
public:
    static WrittenNames& shared() {
        // Never destroyed: documents anywhere may still hold views of its names at exit.
        static WrittenNames* const names = new WrittenNames;
        return *names;
    }

    void split(std::string_view written, QString& outPrefix, QString& outLocal) {
        {
            const std::shared_lock lock(mutex_);
            if (const auto found = names_.find(written); found != names_.end()) {
                outPrefix = immortalView(found->second.first);
                outLocal = immortalView(found->second.second);
                return;
            }
        }
        splitName(QString::fromUtf8(written.data(), qsizetype(written.size())), outPrefix,
                  outLocal);
        const std::unique_lock lock(mutex_);
        if (names_.size() >= kKeptNames) return;
        // Another reader may have kept the same name meanwhile: either copy serves.
        const auto& kept =
            names_.try_emplace(std::string(written), outPrefix, outLocal).first->second;
        outPrefix = immortalView(kept.first);
        outLocal = immortalView(kept.second);
    }

private:
    static constexpr std::size_t kKeptNames = 1024;

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::shared_mutex mutex_;
    std::unordered_map<std::string, std::pair<QString, QString>, Hash, std::equal_to<>> names_;
};

}  // namespace

void splitWrittenName(std::string_view written, QString& prefix, QString& local) {
    WrittenNames::shared().split(written, prefix, local);
}

DocumentNames::Key DocumentNames::keyOf(std::string_view written, const char* readable) {
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

std::size_t DocumentNames::slotOf(const Key& key, std::string_view written) const {
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

std::size_t DocumentNames::find(std::string_view written, const char* readable) const {
    if (written.empty()) return kNotKept;  // never kept
    const Slot& slot = slots_[slotOf(keyOf(written, readable), written)];
    return slot.key.size != 0 ? slot.entry : kNotKept;
}

void DocumentNames::split(std::string_view written, const char* readable, QString& prefix,
                          QString& local) {
    if (written.empty()) {
        splitWrittenName(written, prefix, local);
        return;
    }
    const Key key = keyOf(written, readable);
    const std::size_t i = slotOf(key, written);
    if (slots_[i].key.size != 0) {
        copy(slots_[i].entry, prefix, local);
        return;
    }
    splitWrittenName(written, prefix, local);
    if (names_.size() == kKeptNames) return;
    slots_[i] = Slot{key, written.data(), names_.size()};
    names_.emplace_back(prefix, local);
}

}  // namespace epub
