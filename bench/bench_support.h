#pragma once
// What the organise benchmarks share: the clock, a work list without a window, an observer that
// runs with fixed settings and counts the outcomes, the folder search, and a library of small
// books.
#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <chrono>

#include "core/message_sink.h"
#include "organise/collection.h"
#include "organise/organise_run.h"
#include "support/epub_builder.h"
#include "support/folder_search.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The rows of a run: the sources only; what the run writes back is not kept.
class Rows final : public organise::WorkList {
public:
    QStringList sources;
    int rowCount() const override { return static_cast<int>(sources.size()); }
    QString source(int row) const override { return sources.at(row); }
    void setResultText(int, const QString&) override {}
    void setOutputText(int, const QString&) override {}
};

// A run that is never stopped, with the settings below; messages go to stderr. `pump` lets the
// event loop run between books, as the window does.
class Headless final : public organise::RunObserver {
public:
    organise::NamingOptions naming;
    organise::TransferMode mode = organise::TransferMode::Copy;
    QString output;
    bool pump = false;
    int done = 0;
    int failed = 0;

    void processEvents() override {
        if (pump) QCoreApplication::processEvents();
    }
    void clearStopRequest() override {}
    bool stopRequested() const override { return false; }
    organise::BookSettings bookSettings() const override { return {naming, mode, output}; }
    bool englishUi() const override { return false; }
    core::MessageSink& messageSink() override { return sink_; }
    void showMessage(const QString& text) override { sink_.showMessage(text); }
    void rowFinished(int, organise::OrganiseResult result, organise::ExistingTarget) override {
        if (result == organise::OrganiseResult::Done)
            ++done;
        else
            ++failed;
    }

private:
    core::StderrMessageSink sink_;
};

// Chapters Text/ch1.xhtml ... for `parts` parts of ten, and a table of contents with one entry
// per part holding its ten chapters: the shape of a long real book's NCX.
inline void setPartsOfTenChapters(testsupport::BookSpec& spec, int parts) {
    spec.chapters.clear();
    for (int i = 1; i <= parts * 10; ++i)
        spec.chapters.append(QStringLiteral("Text/ch%1.xhtml").arg(i));
    for (int part = 0; part < parts; ++part) {
        testsupport::NavPointSpec point{
            QStringLiteral("Part %1").arg(part + 1), spec.chapters[part * 10], {}};
        for (int k = 0; k < 10; ++k)
            point.children.append({QStringLiteral("Chapter %1").arg(part * 10 + k + 1),
                                   spec.chapters[part * 10 + k],
                                   {}});
        spec.toc.append(point);
    }
}

// `books` small books in fifty shelves under `lib`: five languages, five hundred creators.
inline void makeSmallLibrary(const QString& lib, int books) {
    static const char* kLanguages[] = {"hu", "en", "de", "fr", "it"};
    for (int i = 0; i < books; ++i) {
        testsupport::BookSpec spec;
        spec.title = QStringLiteral("Könyv %1").arg(i);
        spec.creators = {QStringLiteral("Szerző %1").arg(i % 500)};
        spec.language = QString::fromLatin1(kLanguages[i % 5]);
        const QString folder = lib + QStringLiteral("/shelf%1").arg(i % 50);
        if (i < 50) QDir().mkpath(folder);
        testsupport::writeBook(folder + QStringLiteral("/b%1.epub").arg(i, 5, 10, QLatin1Char('0')),
                               spec);
    }
}

}  // namespace bench
