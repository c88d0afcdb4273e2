#include "epub/book_json.h"

#include "core/json_writer.h"
#include "epub/tepub.h"

#include <type_traits>

namespace epub {

QByteArray bookToJson(const TEpuB& book, const QString& error) {
    core::JsonObject out;
    book.forEachField([&out](const char* key, const auto& value) {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, QList<TocEntry>>) {
            out.addObjects(key, value, [](core::JsonObject& object, const TocEntry& entry) {
                object.add("Label", entry.second.Label).add("Src", entry.second.Src);
            });
        } else {
            out.add(key, value);
        }
    });
    if (!error.isEmpty()) out.add("error", error);
    return out.text();
}

}  // namespace epub
