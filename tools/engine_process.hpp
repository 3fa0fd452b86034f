#pragma once
// Runs an engine as a child process and talks to it through pipes, the way a tournament manager
// does. Every read has a timeout, so an engine that hangs is noticed instead of blocking the
// caller. Header-only (POSIX), for the tools and the tests.
//
//   EngineProcess engine;
//   engine.start("/path/to/pbrain-quoll");
//   engine.sendLine("START 15");
//   std::optional<std::string> reply = engine.readLine();
//   engine.closeInput();
//   engine.waitExit();

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace quoll::tools {

class EngineProcess {
  public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;
    static constexpr Milliseconds kDefaultTimeout{30000};  // generous: sanitizer builds are slow

    // A reply together with the time from sending the request to reading the reply's end.
    struct TimedReply {
        std::optional<std::string> line;
        std::chrono::nanoseconds elapsed{};
    };

    EngineProcess() = default;
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;
    ~EngineProcess() {
        closeInput();
        closeOutput();
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Starts `executable`; the child sees `programName` as its first argument (the executable
    // itself when empty) followed by `arguments`.
    bool start(const std::string& executable, const std::string& programName = "",
               const std::vector<std::string>& arguments = {}) {
        signal(SIGPIPE, SIG_IGN);  // an engine that has exited must not kill the test
        int toChild[2];
        int fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0) return false;
        if (pipe2(fromChild, O_CLOEXEC) != 0) {
            close(toChild[0]);
            close(toChild[1]);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

        std::vector<std::string> texts;
        texts.push_back(programName.empty() ? executable : programName);
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts) argv.push_back(text.data());
        argv.push_back(nullptr);

        const int result =
            posix_spawn(&pid_, executable.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(toChild[0]);
        close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
        if (result != 0) {
            pid_ = -1;
            closeInput();
            closeOutput();
            return false;
        }
        return true;
    }

    // Starts a brain the way a manager on its platform would: a Windows .exe through Wine (found
    // in its usual places) and with Windows text lines, anything else directly.
    bool startBrain(const std::string& path, const std::string& programName = "") {
        if (!isWindowsProgram(path)) return start(path, programName);
        useWindowsTextLines();
        std::string wine = "wine64";
        for (const char* candidate : {"/usr/bin/wine64", "/usr/lib/wine/wine64", "/usr/bin/wine"})
            if (access(candidate, X_OK) == 0) {
                wine = candidate;
                break;
            }
        return start(wine, "", {path});
    }

    static constexpr bool isWindowsProgram(std::string_view path) {
        return path.ends_with(".exe");
    }

    // Windows text lines, for an engine built for Windows: requests end with CR LF, and every
    // reply line must end with CR LF too. readLine drops the CR and counts the lines without it.
    void useWindowsTextLines() { windowsTextLines_ = true; }
    int repliesWithoutCarriageReturn() const { return repliesWithoutCarriageReturn_; }

    // Sends the line and its line end.
    bool sendLine(std::string_view line, Milliseconds timeout = kDefaultTimeout) {
        std::string text(line);
        text += windowsTextLines_ ? "\r\n" : "\n";
        return sendRaw(text, timeout);
    }

    // Sends bytes as they are. While the pipe is full the engine's replies are collected, so a
    // long request cannot deadlock against a long reply.
    bool sendRaw(std::string_view bytes, Milliseconds timeout = kDefaultTimeout) {
        const auto deadline = Clock::now() + timeout;
        while (!bytes.empty()) {
            if (input_ < 0) return false;
            pollfd fds[2] = {{input_, POLLOUT, 0}, {output_, POLLIN, 0}};
            const int ready = poll(fds, output_ >= 0 ? 2 : 1, remainingMs(deadline));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return false;
            if (output_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP))) fillBuffer();
            if (fds[0].revents & (POLLERR | POLLHUP)) return false;
            if (fds[0].revents & POLLOUT) {
                const ssize_t written = write(input_, bytes.data(), bytes.size());
                if (written < 0 && errno != EINTR && errno != EAGAIN) return false;
                if (written > 0) bytes.remove_prefix(static_cast<std::size_t>(written));
            }
        }
        return true;
    }

    // The next line of output without its line end; nothing on timeout or end of output.
    std::optional<std::string> readLine(Milliseconds timeout = kDefaultTimeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (windowsTextLines_) {
                    if (line.ends_with('\r'))
                        line.pop_back();
                    else
                        ++repliesWithoutCarriageReturn_;
                }
                return line;
            }
            if (output_ < 0) return std::nullopt;
            pollfd fd = {output_, POLLIN, 0};
            const int ready = poll(&fd, 1, remainingMs(deadline));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return std::nullopt;
            if (!fillBuffer()) return std::nullopt;
        }
    }

    // True when the engine closes its output with nothing more written.
    bool expectEndOfOutput(Milliseconds timeout = kDefaultTimeout) {
        const std::optional<std::string> line = readLine(timeout);
        return !line && output_ < 0 && buffer_.empty();
    }

    // Sends a request and measures the time until its reply line has been read.
    TimedReply timedRequest(std::string_view line, Milliseconds timeout = kDefaultTimeout) {
        const auto begin = Clock::now();
        TimedReply reply;
        if (sendLine(line, timeout)) reply.line = readLine(timeout);
        reply.elapsed = Clock::now() - begin;
        return reply;
    }

    // Ends the engine's standard input, as a manager that goes away does.
    void closeInput() {
        if (input_ >= 0) close(input_);
        input_ = -1;
    }

    // The exit code (128 + signal when killed by a signal), or nothing when the engine did not
    // exit within the timeout (it is then killed).
    std::optional<int> waitExit(Milliseconds timeout = kDefaultTimeout) {
        if (pid_ <= 0) return std::nullopt;
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            int status = 0;
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                if (WIFEXITED(status)) return WEXITSTATUS(status);
                if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
                return std::nullopt;
            }
            if (done < 0 && errno != EINTR) return std::nullopt;
            if (Clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                pid_ = -1;
                return std::nullopt;
            }
            std::this_thread::sleep_for(Milliseconds(2));
        }
    }

    pid_t pid() const { return pid_; }

  private:
    static int remainingMs(Clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

    // Reads what the engine has written; false at end of output.
    bool fillBuffer() {
        char chunk[65536];
        for (;;) {
            const ssize_t got = read(output_, chunk, sizeof chunk);
            if (got > 0) {
                buffer_.append(chunk, static_cast<std::size_t>(got));
                return true;
            }
            if (got < 0 && errno == EINTR) continue;
            closeOutput();
            return false;
        }
    }

    void closeOutput() {
        if (output_ >= 0) close(output_);
        output_ = -1;
    }

    pid_t pid_ = -1;
    int input_ = -1;   // the engine's standard input
    int output_ = -1;  // the engine's standard output
    std::string buffer_;
    bool windowsTextLines_ = false;
    int repliesWithoutCarriageReturn_ = 0;
};

}  // namespace quoll::tools
