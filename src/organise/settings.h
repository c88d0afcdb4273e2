#pragma once
// The settings file "epub_polcaro.ini": it holds the output folder and nothing else.
#include <QString>

namespace organise {

// settingsFolder followed by "epub_polcaro.ini" (a separator is put between when missing).
QString settingsFilePath(const QString& settingsFolder);

// The stored output folder (section "kimeneti_mappa", key "Directory"), unchanged; empty when
// the file, the section or the key is missing. At most 2047 characters come back.
QString LoadSettings(const QString& settingsFolder);

// Stores outputFolder as that value, creating the file and the section when needed; the file is
// replaced atomically. Raises platform::Error("Unable to write to <path>") when it fails.
void SaveSettings(const QString& settingsFolder, const QString& outputFolder);

}  // namespace organise
