// quoll-web: a board in the browser. The page keeps the game; this program serves it and runs a
// brain for each browser game, asking it for moves as a tournament manager would.
//
//   quoll-web [--engine PATH] [--port N] [--host ADDRESS] [--max-games N] [--idle-seconds N]
//
// It listens on 127.0.0.1 unless another address is given, and --port 0 takes a free port. The
// address to open is the first line on standard output.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <thread>

#include "web/routes.hpp"

namespace {

std::atomic<bool> stopRequested = false;

void requestStop(int) { stopRequested = true; }

struct Options {
    std::string enginePath = QUOLL_DEFAULT_ENGINE;
    quoll::web::Binding binding{"127.0.0.1", 8080};
    quoll::web::GameLimits limits;
};

std::optional<int> numberIn(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc) return false;
        const std::string_view flag = argv[i];
        const std::string_view value = argv[i + 1];
        std::optional<int> number;
        if (flag == "--engine") {
            options.enginePath = value;
            continue;
        }
        if (flag == "--host") {
            options.binding.host = value;
            continue;
        }
        if (flag == "--port" && (number = numberIn(value, 0, 65535))) {
            options.binding.port = *number;
        } else if (flag == "--max-games" && (number = numberIn(value, 1, 64))) {
            options.limits.maxGames = *number;
        } else if (flag == "--idle-seconds" && (number = numberIn(value, 1, 86400))) {
            options.limits.idleLimit = std::chrono::seconds(*number);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: quoll-web [--engine PATH] [--port N] [--host ADDRESS] "
                     "[--max-games N] [--idle-seconds N]\n");
        return 2;
    }
    std::error_code error;
    const std::filesystem::path engine = std::filesystem::absolute(options.enginePath, error);
    if (error || access(engine.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "quoll-web: no brain program at %s\n", options.enginePath.c_str());
        return 2;
    }
    if (options.binding.host != "127.0.0.1")
        std::fprintf(stderr,
                     "quoll-web: warning: listening on %s; anyone who can reach it can play and "
                     "start engine processes\n",
                     options.binding.host.c_str());

    quoll::web::Games games(options.limits);
    httplib::Server server;
    // Searches hold a worker for up to a minute, and browsers keep a few connections open.
    const std::size_t workers = 4 * static_cast<std::size_t>(options.limits.maxGames) + 4;
    server.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    server.set_keep_alive_timeout(2);
    server.set_payload_max_length(quoll::web::kMaxBodyBytes);
    quoll::web::Binding& binding = options.binding;
    if (binding.port == 0) {
        binding.port = server.bind_to_any_port(binding.host);
    } else if (!server.bind_to_port(binding.host, binding.port)) {
        binding.port = -1;
    }
    if (binding.port < 0) {
        std::fprintf(stderr, "quoll-web: cannot listen on %s\n", binding.host.c_str());
        return 1;
    }
    quoll::web::addRoutes(server, games, binding, engine.string());
    // Listening on every address, it is opened here through the loopback address, elsewhere
    // through this machine's own.
    std::string shown = binding.host == "0.0.0.0" ? "127.0.0.1"
                        : binding.host == "::"    ? "::1"
                                                  : binding.host;
    if (shown.find(':') != std::string::npos) shown = "[" + shown + "]";
    std::printf("quoll-web: open http://%s:%d/ in a browser\n", shown.c_str(), binding.port);
    std::fflush(stdout);

    signal(SIGINT, requestStop);
    signal(SIGTERM, requestStop);
    std::atomic<bool> listening = true;
    std::thread listener([&] {
        server.listen_after_bind();
        listening = false;
    });
    for (int tick = 0; !stopRequested && listening; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (tick % 10 == 0) games.closeIdle();
    }
    games.stopEngines();  // so that no request waits for a move while the server stops
    server.stop();
    listener.join();
    games.closeAll();  // ends every engine process
    return 0;
}
