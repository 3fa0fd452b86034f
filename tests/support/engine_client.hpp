#pragma once
// The engine as a child process, for end-to-end tests: the tools' process client plus checks
// that report their failures to the test.
//
//   EngineClient engine;
//   ASSERT_TRUE(engine.start(QUOLL_ENGINE_PATH));
//   engine.sendLine("START 15");
//   EXPECT_TRUE(engine.expectLine("OK"));
//   engine.closeInput();
//   EXPECT_EQ(engine.waitExit(), 0);

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "tools/engine_process.hpp"

namespace quoll::test {

class EngineClient : public tools::EngineProcess {
  public:
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

};

}  // namespace quoll::test
