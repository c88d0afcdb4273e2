#include "organise/settings.h"

#include "core/path_text_qt.h"
#include "platform/error.h"
#include "platform/profile.h"

namespace organise {
namespace {

const char* const kSection = "kimeneti_mappa";
const char* const kKey = "Directory";
constexpr std::size_t kValueBuffer = 2048;

}  // namespace

QString settingsFilePath(const QString& settingsFolder) {
    return core::withTrailingSeparator(settingsFolder) + QStringLiteral("epub_polcaro.ini");
}

QString LoadSettings(const QString& settingsFolder) {
    const std::string value =
        platform::readProfileString(core::toPlatformPath(settingsFilePath(settingsFolder)),
                                    kSection, kKey, std::string(), kValueBuffer);
    return core::fromPlatformPath(value);
}

void SaveSettings(const QString& settingsFolder, const QString& outputFolder) {
    const QString file = settingsFilePath(settingsFolder);
    if (platform::writeProfileString(core::toPlatformPath(file), kSection, kKey,
                                     core::toPlatformPath(outputFolder)))
        throw platform::Error("Unable to write to " + file.toStdString());
}

}  // namespace organise
