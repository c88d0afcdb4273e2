#include "organise/organise_run.h"

#include "epub/path_text_qt.h"
#include "organise/organise_book.h"
#include "platform/path_text.h"

namespace organise {

void OrganiseRun(WorkList& list, RunObserver& observer, FileOperations& files) {
    observer.clearStopRequest();
    if (observer.bookSettings().outputFolder.isEmpty()) {
        observer.showMessage(observer.englishUi()
                                 ? QStringLiteral("The output directory is not selected")
                                 : QStringLiteral("A kimeneti könyvtár nincs kiválasztva"));
        return;
    }

    const int count = list.rowCount();
    if (count > 0) observer.setProgressTotal(count);

    for (int i = 0; i < count; ++i) {
        if (observer.stopRequested()) continue;
        // The list may have been emptied by a command run from the message pump; a row that is
        // no longer there is skipped like a stopped one.
        if (i >= list.rowCount()) continue;

        const QString source = list.source(i);
        BookSettings settings = observer.bookSettings();
        settings.englishUi = observer.englishUi();
        const OrganiseResult result =
            OrganiseBook(source, i, list, settings, observer.messageSink(), files);
        if (result != OrganiseResult::NotEpub)
            list.setResultText(i, resultText(result, observer.englishUi()));
        observer.rowFinished(i, result);

        observer.setProgressPosition(i);
        observer.ensureRowVisible(i);
        observer.setStatus1(QString::number(i) + QLatin1Char('/') +
                            QString::number(list.rowCount()));
        observer.setStatus2(
            epub::fromPlatformPath(platform::lastComponent(epub::toPlatformPath(source))));
        observer.processEvents();
    }

    files.finish();
    observer.setStatus1(QString());
    observer.setStatus2(observer.englishUi() ? QStringLiteral("Ready") : QStringLiteral("Kész"));
    observer.resetProgress();
}

void OrganiseRun(WorkList& list, RunObserver& observer) {
    PlatformFileOperations files;
    OrganiseRun(list, observer, files);
}

}  // namespace organise
