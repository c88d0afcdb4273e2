#include <gtest/gtest.h>

#include "platform/process.h"

namespace {

TEST(ExitCodes, EveryProtocolCodeSurvivesAnEightBitStatus) {
    for (std::uint32_t code : {0u, 5u, 31u, 32u, 123u, 127u, 1223u}) {
        const std::uint32_t status = platform::encodeExitCode(code);
        EXPECT_LT(status, 126u) << code;  // 126, 127 and above belong to pkexec and the shells
        EXPECT_EQ(platform::decodeExitCode(status), code);
    }
    EXPECT_EQ(platform::encodeExitCode(124), 31u);
    EXPECT_EQ(platform::encodeExitCode(0x80070005u), 31u);
    EXPECT_EQ(platform::decodeExitCode(126), 126u);
}

TEST(ExitCodes, RunProgramReportsTheStatusOrNothing) {
    EXPECT_EQ(platform::runProgram("sh", {"-c", "exit 7"}), 7);
    EXPECT_FALSE(platform::runProgram("no-such-program-polcaro", {}).has_value());
    EXPECT_FALSE(platform::runProgram("sh", {"-c", "kill -9 $$"}).has_value());
}

}  // namespace
