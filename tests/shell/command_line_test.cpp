#include <gtest/gtest.h>

#include "platform/process.h"
#include "shell/run_elevated.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsLikeTheWindowsCommandLine) {
    EXPECT_EQ(platform::splitCommandLine(""), Args{});
    EXPECT_EQ(platform::splitCommandLine("  a \t b  "), (Args{"a", "b"}));
    EXPECT_EQ(platform::splitCommandLine("\"C:\\My Books\\\" x"), (Args{"C:\\My Books\\", "x"}));
    EXPECT_EQ(platform::splitCommandLine("\"say \"\"hi\"\"\""), (Args{"say \"hi\""}));
    EXPECT_EQ(platform::splitCommandLine("\"\" a"), (Args{"", "a"}));
    EXPECT_EQ(platform::splitCommandLine("ab\"c d\"e"), (Args{"abc de"}));
}

TEST(CommandLine, ForwardedParametersSurviveTheRoundTrip) {
    // What the elevated copy rebuilds from its split command line is what was sent.
    for (const std::string text : {"/register_global_file_associations", "\"two words\" x",
                                   "\"say \"\"hi\"\" there\" plain", ""}) {
        EXPECT_EQ(shell::ForwardedParameters(platform::splitCommandLine(text)), text);
    }
}

}  // namespace
