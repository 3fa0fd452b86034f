#include "tools/manager/engine_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <thread>

extern char** environ;

namespace quoll::tools {
namespace {

using Clock = EngineProcess::Clock;
using Milliseconds = EngineProcess::Milliseconds;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

EngineProcess::~EngineProcess() {
    closeInput();
    closeOutput();
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool EngineProcess::start(const std::string& executable, const std::string& programName,
                          const std::vector<std::string>& arguments) {
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

bool EngineProcess::startBrain(const std::string& path, const std::string& programName) {
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

bool EngineProcess::sendLine(std::string_view line, Milliseconds timeout) {
    std::string text(line);
    text += windowsTextLines_ ? "\r\n" : "\n";
    return sendRaw(text, timeout);
}

bool EngineProcess::sendRaw(std::string_view bytes, Milliseconds timeout) {
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

std::optional<std::string> EngineProcess::readLine(Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (windowsTextLines_) {
                if (line.ends_with('\r')) line.pop_back();
                else ++repliesWithoutCarriageReturn_;
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

bool EngineProcess::expectEndOfOutput(Milliseconds timeout) {
    const std::optional<std::string> line = readLine(timeout);
    return !line && output_ < 0 && buffer_.empty();
}

void EngineProcess::closeInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::optional<int> EngineProcess::waitExit(Milliseconds timeout) {
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

bool EngineProcess::fillBuffer() {
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

void EngineProcess::closeOutput() {
    if (output_ >= 0) close(output_);
    output_ = -1;
}

EngineReply requestReply(EngineProcess& engine, std::string_view request, int waitMs,
                         const std::function<void(const std::string&)>& onMessage) {
    EngineReply reply;
    const auto begin = Clock::now();
    const auto deadline = begin + Milliseconds(waitMs);
    if (engine.sendLine(request)) {
        while (std::optional<std::string> text =
                   engine.readLine(Milliseconds(remainingMs(deadline)))) {
            if (!text->starts_with("MESSAGE") && !text->starts_with("DEBUG")) {
                reply.line = std::move(text);
                break;
            }
            if (onMessage && text->starts_with("MESSAGE")) onMessage(*text);
            // An engine that writes them without end has no reply in time.
            if (Clock::now() >= deadline) break;
        }
    }
    reply.elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    return reply;
}

bool makeAbsoluteRunnable(std::string& path, const char* tool) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (!error) path = absolute.string();
    if (access(path.c_str(), X_OK) == 0) return true;
    std::fprintf(stderr, "%s: no engine at %s\n", tool, path.c_str());
    return false;
}

}  // namespace quoll::tools
