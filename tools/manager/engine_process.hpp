#pragma once
// Runs an engine as a child process and talks to it through pipes, the way a tournament manager
// does. Every read has a timeout, so an engine that hangs is noticed instead of blocking the
// caller. POSIX only.
//
//   EngineProcess engine;
//   engine.start("/path/to/pbrain-quoll");
//   engine.sendLine("START 15");
//   std::optional<std::string> reply = engine.readLine();
//   engine.closeInput();
//   engine.waitExit();

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quoll::tools {

class EngineProcess {
  public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;
    static constexpr Milliseconds kDefaultTimeout{30000};  // generous: sanitizer builds are slow

    EngineProcess() = default;
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;
    ~EngineProcess();  // kills the engine if it still runs

    // Starts `executable`; the child sees `programName` as its first argument (the executable
    // itself when empty) followed by `arguments`.
    bool start(const std::string& executable, const std::string& programName = "",
               const std::vector<std::string>& arguments = {});

    // Starts a brain the way a manager on its platform would: a Windows .exe through Wine (found
    // in its usual places) and with Windows text lines, anything else directly.
    bool startBrain(const std::string& path, const std::string& programName = "");

    static constexpr bool isWindowsProgram(std::string_view path) { return path.ends_with(".exe"); }

    // Windows text lines, for an engine built for Windows: requests end with CR LF, and every
    // reply line must end with CR LF too. readLine drops the CR and counts the lines without it.
    void useWindowsTextLines() { windowsTextLines_ = true; }
    int repliesWithoutCarriageReturn() const { return repliesWithoutCarriageReturn_; }

    // Sends the line and its line end.
    bool sendLine(std::string_view line, Milliseconds timeout = kDefaultTimeout);

    // Sends bytes as they are. While the pipe is full the engine's replies are collected, so a
    // long request cannot deadlock against a long reply.
    bool sendRaw(std::string_view bytes, Milliseconds timeout = kDefaultTimeout);

    // The next line of output without its line end; nothing on timeout or end of output.
    std::optional<std::string> readLine(Milliseconds timeout = kDefaultTimeout);

    // True when the engine closes its output with nothing more written.
    bool expectEndOfOutput(Milliseconds timeout = kDefaultTimeout);

    // Ends the engine's standard input, as a manager that goes away does.
    void closeInput();

    // The exit code (128 + signal when killed by a signal), or nothing when the engine did not
    // exit within the timeout (it is then killed).
    std::optional<int> waitExit(Milliseconds timeout = kDefaultTimeout);

    pid_t pid() const { return pid_; }

  private:
    // Reads what the engine has written; false at end of output.
    bool fillBuffer();
    void closeOutput();

    pid_t pid_ = -1;
    int input_ = -1;   // the engine's standard input
    int output_ = -1;  // the engine's standard output
    std::string buffer_;
    bool windowsTextLines_ = false;
    int repliesWithoutCarriageReturn_ = 0;
};

// The answer to a request as a manager reads it: the first line that is not a MESSAGE or DEBUG.
struct EngineReply {
    std::optional<std::string> line;  // the move line; nothing when no line came
    double elapsedMs = 0;             // from sending the request to reading its answer
};

// Sends a request, one line or several separated by line feeds (the line end of the last is
// added), and waits up to `waitMs` in all for its answer, reading past MESSAGE and DEBUG lines;
// `onMessage`, when given, sees each MESSAGE line as it comes. An engine still writing such lines
// at the deadline has given no answer.
EngineReply requestReply(EngineProcess& engine, std::string_view request, int waitMs,
                         const std::function<void(const std::string&)>& onMessage = nullptr);

// The engine expects to be started by an absolute path, as managers do: makes `path` absolute
// and tells whether it names a runnable file, saying on stderr when not.
bool makeAbsoluteRunnable(std::string& path, const char* tool);

}  // namespace quoll::tools
