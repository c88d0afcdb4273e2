#include "fuzz_read_book.h"

#include <cstdlib>

#include "core/message_sink.h"
#include "epub/book_json.h"
#include "epub/tepub.h"
#include "organise/target_rules.h"

namespace fuzzsupport {

namespace {
class SilentSink final : public core::MessageSink {
public:
    void showMessage(const QString&) override {}
};
}  // namespace

void readBook(const QString& path) {
    SilentSink sink;
    epub::TEpuB book(sink);
    QString error;
    try {
        book.Open(path);
    } catch (const epub::BookReadError& failure) {
        error = QString::fromUtf8(failure.what());
    }
    if (epub::bookToJson(book, error).isEmpty()) std::abort();
    const organise::BookFields fields{book.Title, book.Creator, book.Language, book.Series};
    for (int scheme = 0; scheme < 3; ++scheme) {
        organise::NamingOptions options;
        options.renameScheme = organise::renameSchemeOfItem(scheme);
        options.language = options.title = options.series = scheme == 1;
        const organise::Target target =
            organise::BuildTarget(path, fields, QStringLiteral("/out/"), options);
        organise::FolderPathClimbs(target.folderPath);
    }
}

}  // namespace fuzzsupport
