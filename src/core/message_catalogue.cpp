#include "core/message_catalogue.h"

#include <cstddef>
#include <iterator>

namespace core {
namespace {

struct Message {
    MessageId id;
    const char* hungarian;  // UTF-8
    const char* english;
};

// In the order of MessageId; the checks below keep it so.
constexpr Message kMessages[] = {
    {MessageId::OutputFolderNotSelected, "Nincs kiválasztva a kimeneti könyvtár",
     "No output directory is selected"},
    {MessageId::RunWithoutOutputFolder, "A kimeneti könyvtár nincs kiválasztva",
     "The output directory is not selected"},
    {MessageId::SourceFileMissing, "A fájl nem létezik", "The file does not exist"},
    {MessageId::TargetFileNameEmpty, "A cél fájlneve üres", "The target file name is empty"},
    {MessageId::MetadataLeavesOutputFolder, "A könyv adatai a kimeneti mappán kívülre vinnék: ",
     "The book's metadata would take it outside the output folder: "},
    {MessageId::FolderNotCreated, "A mappa nem hozható létre: ", "The folder cannot be created: "},
    {MessageId::WindowsCharacterRefused,
     "A Windows nem enged ilyen karaktert mappa- vagy fájlnévben: ",
     "Windows allows no such character in a folder or file name: "},
    {MessageId::WindowsPathTooLong, "Az útvonal túl hosszú a Windows számára (%1 karakter): ",
     "The path is too long for Windows (%1 characters): "},
    {MessageId::WindowsNameReserved, "A Windows nem enged ilyen nevű mappát vagy fájlt: ",
     "Windows allows no folder or file of this name: "},
    {MessageId::ResultCopyFailed, "Hiba a következö fájlnál ", "Error with file "},
    {MessageId::ResultTargetExists, "A fajlnev már létezik", "The file name already exists"},
    {MessageId::ResultReadFailed, "Epub olvasasi hiba valoszinüleg hibás fajl",
     "Epub reading error is actually a faulty file"},
    {MessageId::ExistingIdentical, "ugyanez a könyv már ott van (azonos bájtok)",
     "the same book is already there (identical bytes)"},
    {MessageId::ExistingDifferent, "ezen a néven egy másik fájl van",
     "a different file has this name"},
    {MessageId::ExistingNotCompared, "nem hasonlítható össze: ", "cannot be compared: "},

    {MessageId::Ready, "Kész", "Ready"},
    {MessageId::Cancel, "Mégse", "Cancel"},

    {MessageId::ListCount, "Db:", "Count:"},
    {MessageId::ScanComplete, "Beolvasás kész", "Scanning is complete"},

    {MessageId::UndoWhileRunning, "Egy futás még tart; visszavonni csak utána lehet",
     "A run is still going; it can be undone once it has ended"},
    {MessageId::UndoNoRun, "Nincs visszavonható futás", "There is no run to undo"},
    {MessageId::JournalUnreadable,
     "A futás naplója nem olvasható: ", "The run's journal cannot be read: "},
    {MessageId::UndoNothingCopied, "Az utolsó futás egy könyvet sem másolt vagy helyezett át",
     "The last run copied or moved no book"},
    {MessageId::UndoQuestion,
     "Visszavonod az utolsó futást? %1 könyv kerül vissza: az áthelyezettek az eredeti "
     "helyükre, a másolatok törlődnek. Ami a futás óta megváltozott, marad.",
     "Undo the last run? %1 book(s) will be taken back: moved books return to where they "
     "were, copies are deleted. Whatever changed since the run is kept."},
    {MessageId::UndoConfirmTitle, "Visszavonás jóváhagyása", "Confirm undo"},
    {MessageId::UndoButton, "Visszavonás", "Undo"},
    {MessageId::UndoneCount, "Visszavonva: %1/%2", "Undone: %1/%2"},
    {MessageId::JournalNotWritten,
     "A futás naplója nem írható, ezért ez a futás nem vonható vissza: ",
     "The run's journal could not be written, so this run cannot be undone: "},
    {MessageId::JournalNoOutputFolder, "A napló nem nevezi meg a futás kimeneti mappáját",
     "The journal does not name the run's output folder"},
    {MessageId::JournalDotLevel,
     "A napló útvonalában . vagy .. szint van: ", "The journal's path has a . or .. level: "},
    {MessageId::JournalOutsideOutput, "A napló szerinti hely a futás kimeneti mappáján kívül van: ",
     "The journal's path lies outside the run's output folder: "},
    {MessageId::JournalSourceNotAbsolute, "A napló szerinti forrás nem abszolút útvonal: ",
     "The journal's source is not an absolute path: "},
    {MessageId::UndoBookNotBack, "A könyv nem került vissza", "The book is not back"},
    {MessageId::UndoOutcomeUndone, "Visszavonva", "Undone"},
    {MessageId::UndoOutcomeKeptChanged, "Megtartva: a fájl megváltozott a futás óta",
     "Kept: the file changed after the run"},
    {MessageId::UndoOutcomeKeptSourceTaken, "Megtartva: az eredeti helyén már van valami",
     "Kept: the original place is taken"},
    {MessageId::UndoOutcomeKeptOnlyCopy, "Megtartva: ez az egyetlen példány",
     "Kept: it is the only copy"},
    {MessageId::UndoOutcomeKeptUnfinished, "Megtartva: a futás e könyv közben ért véget",
     "Kept: the run ended while handling it"},
    {MessageId::UndoOutcomeFailed, "Hiba: ", "Failed: "},

    {MessageId::EmptyFoldersConfirmTitle, "Törlés jováhagyása", "Delete accepted"},
    {MessageId::EmptyFoldersQuestion, "Törlöd az üres könyvtárakat ebböl a mappábol %s",
     "Delete empty directories from this folder %s"},
    {MessageId::DeleteButton, "Törlés", "Delete"},
    {MessageId::NoOutputFolderGiven, "Nincs megadva kimeneti mappa", "No output folder is given"},
    {MessageId::FolderNotRemovable, "A(z) \"%1\" mappa nem törölhető: %2",
     "The folder \"%1\" cannot be removed: %2"},
    {MessageId::FolderVanished, "már nem létezik.", "it no longer exists."},
    {MessageId::FolderNowAFile, "már fájl.", "it is now a file."},
    {MessageId::FolderUnreadable, "már nem olvasható.", "it can no longer be read."},
    {MessageId::FolderNotEmpty, "már nem üres.", "it is no longer empty."},

    {MessageId::ErrorTitle, "Hiba", "Error"},
    {MessageId::SelectDirectory, "Könyvtár kiválasztása", "Select Directory"},
    {MessageId::DirectoryNotCreated, "Nem sikerült létrehozni a könyvtárat: %1",
     "Unable to create directory %1"},

    {MessageId::VerbsRegistered, "A helyi menü bejegyzései elkészültek.",
     "The context-menu entries have been registered."},
    {MessageId::VerbsUnregistered, "A helyi menü bejegyzései törölve.",
     "The context-menu entries have been removed."},
    {MessageId::VerbsUnchanged, "A helyi menü bejegyzései nem változtak.",
     "The context-menu entries were not changed."},
    {MessageId::ElevationDeclined, "A rendszergazdai jog kérését elutasították.",
     "The request for administrator rights was declined."},
    {MessageId::ElevationNotAuthorised,
     "Nincs jogosultság rendszergazdai jogot kapni ehhez a művelethez.",
     "You are not authorised to obtain administrator rights for this."},
    {MessageId::ElevationNoAgent,
     "Nem lehet rendszergazdai jogot kérni: nem fut hitelesítő ügynök (polkit).",
     "Administrator rights cannot be requested: no authentication agent (polkit) is running."},
    {MessageId::ElevationHelperMissing,
     "Nem lehet rendszergazdai jogot kérni: a pkexec nincs telepítve.",
     "Administrator rights cannot be requested: pkexec is not installed."},

    {MessageId::FileNotCopiedYet, "A file még nem került másolásra",
     "The file has not been copied yet"},
    {MessageId::StartToolTip,
     "Indítás: a lista minden könyvének másolása vagy áthelyezése a kimeneti mappába",
     "Start: copy or move every book of the list into the output folder"},
    {MessageId::StopToolTip, "Leállítás: a még nem kezelt könyvek kimaradnak",
     "Stop: the books not handled yet are left as they are"},
    {MessageId::ScanFolderToolTip,
     "Mappa beolvasása: a lista törlése, majd egy választott mappa könyveinek felvétele",
     "Scan a folder: clear the list, then add the books of a chosen folder"},
    {MessageId::TopmostToolTip,
     "Az ablak mindig a többi fölött marad (F4). F5: az ablak a képernyő jobb alsó sarkába "
     "kerül",
     "Keep the window above all others (F4). F5: put the window back into the bottom-right "
     "corner of the screen"},
    {MessageId::NormalToolTip, "Normál: más ablakok eltakarhatják az ablakot",
     "Normal: other windows may cover this one"},

    {MessageId::PreviewCommand, "Előnézet", "Preview"},
    {MessageId::PreviewToolTip,
     "Előnézet: minden sor megmutatja, mi történne az Indítással; a lemezen semmi sem változik",
     "Preview: every row shows what Start would do; nothing on disk changes"},
    {MessageId::PreviewResultPrefix, "Előnézet: ", "Preview: "},
    {MessageId::PreviewFinished, "Előnézet kész", "Preview ready"},
    {MessageId::OnlyFailedRows, "Csak a hibás sorok", "Only failed rows"},
    {MessageId::TallyPreview, "Előnézet:", "Preview:"},
    {MessageId::TallyOk, "Ok: %1", "Ok: %1"},
    {MessageId::TallyExisting, "már ott: %1 (azonos: %2, eltérő: %3)",
     "already there: %1 (identical: %2, different: %3)"},
    {MessageId::TallyReadFailed, "olvasási hiba: %1", "read errors: %1"},
    {MessageId::TallyCopyFailed, "másolási/áthelyezési hiba: %1", "copy or move errors: %1"},
    {MessageId::TallyNotEpub, "nem EPUB: %1", "not EPUB: %1"},
    {MessageId::TallyStopped, "leállítva: %1", "stopped: %1"},
    {MessageId::UndoTallyUndone, "visszavonva: %1", "undone: %1"},
    {MessageId::UndoTallyKept, "megtartva: %1", "kept: %1"},
    {MessageId::UndoTallyFailed, "hiba: %1", "failed: %1"},
    {MessageId::UndoTallyLeft, "hátravan: %1", "left: %1"},
    {MessageId::UndoRunQuestion,
     "Visszavonod a %1-kor indult futást? %2 könyv kerül vissza innen: %3 (%4). Az "
     "áthelyezettek az eredeti helyükre kerülnek, a másolatok törlődnek. Ami a futás óta "
     "megváltozott, marad.",
     "Undo the run started at %1? %2 book(s) will be taken back from %3 (%4). Moved books "
     "return to where they were, copies are deleted. Whatever changed since the run is kept."},
    {MessageId::UndoRunCopied, "másolás", "copied"},
    {MessageId::UndoRunMoved, "áthelyezés", "moved"},
};

constexpr bool inIdOrder() {
    for (std::size_t i = 0; i < std::size(kMessages); ++i)
        if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
    return true;
}

static_assert(std::size(kMessages) == static_cast<std::size_t>(MessageId::Count),
              "every message id has its texts");
static_assert(inIdOrder(), "the table is in the order of MessageId");

}  // namespace

QString message(MessageId id, bool english) {
    const auto index = static_cast<std::size_t>(id);
    if (index >= std::size(kMessages)) return QString();
    const Message& entry = kMessages[index];
    return QString::fromUtf8(english ? entry.english : entry.hungarian);
}

}  // namespace core
