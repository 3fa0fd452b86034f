#pragma once
// The engine as a child process, for end-to-end tests: the tools' process client plus checks
// that report their failures to the test.
//
//   EngineClient engine;
//   ASSERT_TRUE(engine.startEngine());
//   EXPECT_TRUE(engine.answers("START 15", "OK"));
//   engine.endAndExpectExit();

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "tools/engine_process.hpp"

namespace quoll::test {

// The engine under test: the build's own, or a Windows .exe that Wine runs.
inline constexpr bool kWindowsEngine = tools::EngineProcess::isWindowsProgram(QUOLL_ENGINE_PATH);

class EngineClient : public tools::EngineProcess {
  public:
    // Starts the engine under test; `programName` is the first argument it sees (its own path
    // when empty). Under Wine the program always sees its full Windows path.
    bool startEngine(const std::string& programName = "") {
        return startBrain(QUOLL_ENGINE_PATH, programName);
    }

    // The next line must be exactly `expected`.
    ::testing::AssertionResult expectLine(std::string_view expected,
                                          Milliseconds timeout = kDefaultTimeout) {
        const std::optional<std::string> line = readLine(timeout);
        if (!line)
            return ::testing::AssertionFailure()
                   << "no line (timeout or end of output), expected \"" << expected << "\"";
        if (*line != expected)
            return ::testing::AssertionFailure()
                   << "got \"" << *line << "\", expected \"" << expected << "\"";
        return ::testing::AssertionSuccess();
    }

    // Sends `line`; the reply must be exactly `expected`.
    ::testing::AssertionResult answers(std::string_view line, std::string_view expected) {
        sendLine(line);
        ::testing::AssertionResult result = expectLine(expected);
        if (!result) result << " after \"" << line.substr(0, 60) << "\"";
        return result;
    }

    // Everything sent so far has had its replies and no more: an unknown word's reply is next.
    ::testing::AssertionResult answeredAll() {
        return answers("PROBE", "ERROR Unknown command \"PROBE\"");
    }

    // No more output and a clean exit, after END or the end of input.
    void expectCleanExit() {
        EXPECT_TRUE(expectEndOfOutput());
        EXPECT_EQ(waitExit(), 0);
        EXPECT_EQ(repliesWithoutCarriageReturn(), 0) << "reply lines must be Windows text lines";
    }

    void endAndExpectExit() {
        sendLine("END");
        expectCleanExit();
    }
};

}  // namespace quoll::test
