#pragma once
// The tooltips of the toolbar's buttons, in the interface's language. The language file carries
// captions only, so these texts are the program's own pairs, like its messages.
namespace app {

class TForm1;

// Sets the tooltips by form.state().englishUi; run again when the language changes.
void applyToolTips(TForm1& form);

}  // namespace app
