#pragma once
// Runs the front end inside the test process: command lines from a string, replies captured.

#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/dispatcher.hpp"
#include "protocol/engine_state.hpp"
#include "protocol/line_reader.hpp"
#include "protocol/logging.hpp"
#include "protocol/replies.hpp"
#include "protocol/settings.hpp"

namespace quoll::test {

// As in the engine, logging is off unless a test lowers it with CapturedLog.
inline const bool kLoggingSwitchedOff = (switchLoggingOff(), true);

// Points the line reader at `input` and the writers at a memory stream while it lives.
class CapturedIo {
  public:
    explicit CapturedIo(std::string_view input) : input_(std::string(input)) {
        stream_ = open_memstream(&buffer_, &size_);
        commandInput = &input_;
        replyStream = stream_;
    }
    ~CapturedIo() {
        commandInput = nullptr;
        replyStream = nullptr;
        std::fclose(stream_);
        std::free(buffer_);
    }
    CapturedIo(const CapturedIo&) = delete;
    CapturedIo& operator=(const CapturedIo&) = delete;

    std::string output() {
        std::fflush(stream_);
        return std::string(buffer_, size_);
    }
    bool inputLeft() { return input_.peek() != std::char_traits<char>::eof(); }

  private:
    std::istringstream input_;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_ = nullptr;
};

// Handles every line of `input` (END stops early) and returns what was written.
inline std::string runLines(ProtocolState& state, std::string_view input) {
    CapturedIo io(input);
    while (state.mode != ProtocolMode::Terminating && io.inputLeft()) handleCommand(state);
    return io.output();
}

// Lowers the log level to info while it lives and collects the messages, one per line.
class CapturedLog {
  public:
    CapturedLog() : previous_(spdlog::default_logger()) {
        auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(text_);
        auto logger = std::make_shared<spdlog::logger>("", sink);
        logger->set_pattern("%v");
        spdlog::set_default_logger(logger);
        spdlog::set_level(spdlog::level::info);
    }
    ~CapturedLog() {
        spdlog::set_default_logger(previous_);
        spdlog::set_level(spdlog::level::off);
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream stream(text_.str());
        for (std::string line; std::getline(stream, line);) result.push_back(line);
        return result;
    }

  private:
    std::shared_ptr<spdlog::logger> previous_;
    std::ostringstream text_;
};

// Settings at their defaults and no table, as at start-up.
inline void resetProcessRecords() {
    gameSettings = GameSettings{};
    engineState.table = TranspositionTable{};
}

}  // namespace quoll::test
