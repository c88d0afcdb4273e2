#pragma once
// Failed assertions: programming errors that are raised like any other error, so the event
// loop shows them, with the name of the unit that checked and the line.
#include <source_location>
#include <string>

#include "platform/error.h"

namespace shell {

class AssertionFailed : public platform::Error {
public:
    using platform::Error::Error;
};

// Raises AssertionFailed with "<text> (<source>, line <n>)" when `condition` is false.
void Assert(bool condition, const std::string& text, const std::string& source,
            std::source_location where = std::source_location::current());

}  // namespace shell
