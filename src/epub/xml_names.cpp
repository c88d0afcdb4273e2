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
