#pragma once
// The naming options of the window's Options group and the copy/move choice, as plain values.
// The window reads them from its widgets afresh for every book; the rules never read a widget.
#include <QString>

namespace organise {

// Item index of the copy/move radio group: 0 "Másolás", 1 "Áthelyezés".
enum class TransferMode { Copy = 0, Move = 1 };

// How the file is named: the item index of the rename radio group (RzRadioGroup1), or
// NoneSelected when no item is selected, which gives an empty file name.
enum class RenameScheme {
    NoneSelected = -1,
    KeepSourceName = 0,  // "Nincs átnevezés"
    CreatorTitle = 1,    // "Szerzö-Cim": "Creator - Title"
    TitleCreator = 2,    // "Cim-Szerzö": "Title - Creator"
};

// The scheme of a radio-group item index; any index but 0, 1 and 2 is NoneSelected.
inline RenameScheme renameSchemeOfItem(int itemIndex) {
    return itemIndex >= 0 && itemIndex <= 2 ? static_cast<RenameScheme>(itemIndex)
                                            : RenameScheme::NoneSelected;
}

// The initial states are those the window starts with (nothing of this is saved).
struct NamingOptions {
    RenameScheme renameScheme = RenameScheme::CreatorTitle;
    bool language = false;  // chknyelv: a Language level
    bool creator = true;    // chkszerzo: a Creator level
    bool title = false;     // chkkonvcimmappa: a Title level
    bool series = false;    // chksorozat: a Series level
    bool none = false;      // chknone: no level at all, whatever the four above say
};

// The options as they stand when a book is handled.
struct BookSettings {
    NamingOptions naming;
    TransferMode mode = TransferMode::Copy;
    QString outputFolder;    // empty when none is chosen; a missing final separator is added
    bool englishUi = false;  // the language of the reasons the run words itself
};

}  // namespace organise
