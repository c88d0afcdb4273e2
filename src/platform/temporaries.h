#pragma once
// The temporary files a copy or an atomic write leaves in the target folder only while it runs.
// A process killed halfway (kill -9, power loss) cannot remove its own; these functions let the
// next run, or the empty-folder clean-up, recognise and remove them. Only names of exactly our
// own form whose owner no longer runs are ever touched.
#include <string>

namespace platform {

// True when name (no folder part) is one of our temporary names and the process that made it
// is no longer running.
bool isStaleTemporary(const std::string& name);

// Deletes the file at path when its name is a stale temporary of ours. True when it was removed.
bool removeStaleTemporary(const std::string& path);

// Removes every stale temporary of ours directly inside folder. Returns how many were removed.
int removeStaleTemporaries(const std::string& folder);

}  // namespace platform
