#pragma once
// The naming options of the window's Options group and the copy/move choice, as plain values.
// The window reads them from its widgets afresh for every book; the rules never read a widget.
#include <QString>

namespace organise {

// Item index of the copy/move radio group: 0 "Másolás", 1 "Áthelyezés".
enum class TransferMode { Copy = 0, Move = 1 };

// The initial states are those the window starts with (nothing of this is saved).
struct NamingOptions {
    // 0 keeps the source file name, 1 is "Creator - Title", 2 is "Title - Creator"; any other
    // value (no item selected) gives an empty file name.
    int renameScheme = 1;
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
