// Placeholder until the command is built.
#include <cstdio>

#include "commands.h"

namespace cli {

int runOrganise(const QStringList&) {
    std::fputs("epub-polcaro-cli: this command is not available yet\n", stderr);
    return 2;
}

}  // namespace cli
