// How fast the work list fills from a folder search: 20,000 EPUB files in nested folders are
// searched into the real window, which keeps handling messages after every file. Prints the
// time, the list's repaints and the longest gap between two timer ticks (how long the window
// could not answer a click). Runs offscreen unless a display is set.
//
//   bench_fill_list [files]   (default 20000)
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "app/tform1.h"
#include "app/tsplash.h"
#include "support/temp_tree.h"

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 20000;

    // 20 authors x 10 series x up to 100 books, three levels deep.
    testsupport::TempTree tree;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < files; ++i) {
        const QString relative = QStringLiteral("library/author%1/series%2/book%3.epub")
                                     .arg(i % 20)
                                     .arg((i / 20) % 10)
                                     .arg(i);
        if (i < 200)
            tree.writeFile(relative);
        else
            QFile(tree.path(relative)).open(QIODevice::WriteOnly);
    }
    std::printf("generated %d files in %lld ms\n", files, static_cast<long long>(clock.elapsed()));

    app::TForm1 form;
    app::TSplash splash;
    form.setSplash(&splash);
    form.show();
    splash.show();
    PaintCounter counter;
    form.RzListView1()->viewport()->installEventFilter(&counter);

    // A 10 ms timer stands for the user's clicks: the longest gap between its ticks is how long
    // the window was deaf.
    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    ticker.start(10);
    sinceTick.start();

    clock.restart();
    form.SearchFolder(tree.path(QStringLiteral("library")));
    const qint64 elapsed = clock.elapsed();
    QCoreApplication::processEvents();

    std::printf("rows: %d\n", form.RzListView1()->topLevelItemCount());
    std::printf("fill time: %lld ms (%.1f us per file)\n", static_cast<long long>(elapsed),
                1000.0 * static_cast<double>(elapsed) / std::max(1, files));
    std::printf("list repaints: %d (%.1f per second)\n", counter.paints,
                1000.0 * counter.paints / std::max<qint64>(1, elapsed));
    std::printf("timer ticks: %d, longest gap between ticks: %lld ms\n", ticks,
                static_cast<long long>(longestGap));
    std::printf("status pane: %s\n", form.RzStatusPane1()->text().toUtf8().constData());
    return 0;
}
