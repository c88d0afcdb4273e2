#pragma once
// Qt's own texts (the folder picker, standard buttons, its error messages) in the interface's
// language: Qt's Hungarian translation while the interface is Hungarian, none when the language
// file made it English.
namespace app {

// Installs Qt's Hungarian translation ("qtbase_hu" from Qt's translation folder) when
// `englishUi` is false and removes it when true. Returns whether a Hungarian translation is
// in force afterwards (false also when the translation files are not installed).
bool useQtTranslation(bool englishUi);

}  // namespace app
