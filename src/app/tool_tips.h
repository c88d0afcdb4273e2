#pragma once
// The tooltips of the toolbar's buttons, in the interface's language, and the captions of the
// commands added to the window since its layout was fixed (the preview, the failures-only view).
// The language file carries captions of the layout's controls only, so these texts are the
// program's own pairs, like its messages.
namespace app {

class TForm1;

// Sets the tooltips and those captions by form.state().englishUi; run again when the language
// changes.
void applyToolTips(TForm1& form);

}  // namespace app
