#pragma once
// The per-user folder that holds the settings and favourites files: the application name
// inside the user's roaming application-data folder.
#include <string>

#include "platform/error.h"

namespace shell {

// The folder's own name; empty until start-up sets it to "Epub_polcaro". It must be usable as
// one folder name: no control character and none of  " * / : < > ? \ |
extern std::string AppName;

// Raised when a folder cannot be created because there is nowhere to create it.
class InOutError : public platform::Error {
public:
    using platform::Error::Error;
};

// The roaming folder, a separator, AppName and a final separator. Creates nothing. When the
// roaming folder cannot be determined the result is the relative AppName plus a separator.
// Raises AssertionFailed (source `appdata`) for an AppName that breaks the rule above.
std::string GetAppDataFolder();

// Creates `path` and every missing parent, outermost first. True when the folder exists
// afterwards; false when it cannot be created or its drive does not exist. Raises InOutError
// "Nem tudom a <GetAppDataFolder()>-t létrehozni" when it reaches an empty path.
bool ForceFolder(const std::string& path);

// ForceFolder(GetAppDataFolder()); returns that path whether or not it could be created.
std::string EnsureAppDataFolder();

}  // namespace shell
