#pragma once
// The commands of epub-polcaro-cli. Each returns the process exit status.
#include <QStringList>

namespace cli {

int runInspect(const QStringList& args);   // inspect_command.cpp
int runOrganise(const QStringList& args);  // organise_command.cpp

}  // namespace cli
