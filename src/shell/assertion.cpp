#include "shell/assertion.h"

namespace shell {

void Assert(bool condition, const std::string& text, const std::string& source,
            std::source_location where) {
    if (condition) return;
    throw AssertionFailed(text + " (" + source + ", line " + std::to_string(where.line()) + ")");
}

}  // namespace shell
