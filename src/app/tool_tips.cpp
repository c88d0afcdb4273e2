#include "app/tool_tips.h"

#include <QToolButton>

#include "app/tform1.h"

namespace app {

void applyToolTips(TForm1& form) {
    const auto tip = [&form](QToolButton* button, const char* hungarian, const char* english) {
        button->setToolTip(form.text(QString::fromUtf8(hungarian), QString::fromUtf8(english)));
    };
    tip(form.RzToolButton1(),
        "Indítás: a lista minden könyvének másolása vagy áthelyezése a kimeneti mappába",
        "Start: copy or move every book of the list into the output folder");
    tip(form.RzToolButton2(), "Leállítás: a még nem kezelt könyvek kimaradnak",
        "Stop: the books not handled yet are left as they are");
    tip(form.RzToolButton3(),
        "Mappa beolvasása: a lista törlése, majd egy választott mappa könyveinek felvétele",
        "Scan a folder: clear the list, then add the books of a chosen folder");
    tip(form.RzToolButton7(),
        "Az ablak mindig a többi fölött marad (F4). F5: az ablak a képernyő jobb alsó sarkába "
        "kerül",
        "Keep the window above all others (F4). F5: put the window back into the bottom-right "
        "corner of the screen");
    tip(form.RzToolButton8(), "Normál: más ablakok eltakarhatják az ablakot",
        "Normal: other windows may cover this one");
}

}  // namespace app
