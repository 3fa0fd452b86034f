#include "web/routes.hpp"

#include <functional>
#include <nlohmann/json.hpp>
#include <string_view>

#include "web/page_files.hpp"
#include "web/request_body.hpp"

namespace quoll::web {
namespace {

using nlohmann::json;

constexpr const char* kJsonType = "application/json";
const char* const kIdPattern = "/api/games/([0-9a-f]{32})";

// Engines and requests may bring bytes that are not UTF-8; they are replaced, not thrown on.
std::string jsonText(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void reject(httplib::Response& response, int status, const std::string& reason) {
    response.status = status;
    response.set_content(jsonText(json{{"error", reason}}), kJsonType);
}

// ---- Replies ------------------------------------------------------------------------------

std::string failureText(const Game& game) {
    const std::string detail = game.failureDetail.empty() ? "" : " (" + game.failureDetail + ")";
    switch (game.failure) {
        case Failure::None:
            return "";
        case Failure::NotStarted:
            return "The engine could not be started" + detail + ".";
        case Failure::Crashed:
            return "The engine crashed" + detail + ".";
        case Failure::TooSlow:
            return "The engine did not answer within the time per move plus one second.";
        case Failure::ErrorLine:
            return "The engine reported an error" + detail + ".";
        case Failure::UnreadableMove:
            return "The engine's reply is not a move" + detail + ".";
        case Failure::IllegalMove:
            return "The engine played on a taken cell" + detail + ".";
    }
    return "";
}

json describe(const Game& game) {
    return json{{"id", game.id},
                {"failure", game.failure == Failure::None ? json() : json(failureText(game))}};
}

void sendGame(httplib::Response& response, const Game& game) {
    response.set_content(jsonText(describe(game)), kJsonType);
}

// Runs `work` on the game named in the path, one request at a time per game.
using GameWork = std::function<void(Game&, const httplib::Request&, httplib::Response&)>;

httplib::Server::Handler onGame(Games& games, GameWork work) {
    return [&games, work = std::move(work)](const httplib::Request& request,
                                            httplib::Response& response) {
        const std::shared_ptr<Game> game = games.find(request.matches[1]);
        if (!game) return reject(response, 404, "no such game");
        std::unique_lock lock(game->mutex, std::try_to_lock);
        if (!lock) return reject(response, 409, "the game is busy: the engine is thinking");
        game->lastUsed = Clock::now();
        work(*game, request, response);
        game->lastUsed = Clock::now();
    };
}

// A request whose body must be exactly {}.
GameWork withEmptyBody(std::function<void(Game&, httplib::Response&)> work) {
    return [work = std::move(work)](Game& game, const httplib::Request& request,
                                    httplib::Response& response) {
        std::string reason;
        if (!bodyWith(request, {}, reason)) return reject(response, 400, reason);
        work(game, response);
    };
}

// A search on the game's engine. The reply streams as it comes, one JSON object a line: each
// MESSAGE line of the engine as {"line": ...} (its detail lines among them), then
// {"reply": "x,y", "ms": N} with the engine's move and its time, or {"failure": ...} when the
// engine failed. The game stays locked until the engine has answered.
void startSearch(Games& games, const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<Game> game = games.find(request.matches[1]);
    if (!game) return reject(response, 404, "no such game");
    auto lock = std::make_shared<std::unique_lock<std::mutex>>(game->mutex, std::try_to_lock);
    if (!*lock) return reject(response, 409, "the game is busy: the engine is thinking");
    std::string reason;
    const std::optional<Search> search = readSearch(request, reason);
    if (!search) return reject(response, 400, reason);
    if (!game->engine) return reject(response, 409, "the engine has stopped: restart it");
    game->lastUsed = Clock::now();
    response.set_chunked_content_provider(
        "application/x-ndjson",
        [game, lock, search = *search](std::size_t, httplib::DataSink& sink) {
            // A page that has gone away stops reading; the engine's reply is still awaited, so
            // that its next request finds it ready.
            const auto send = [&sink](const json& value) {
                const std::string text = jsonText(value) + "\n";
                if (sink.is_writable()) sink.write(text.data(), text.size());
            };
            int elapsedMs = 0;
            const std::optional<int> cell = think(
                *game, search,
                [&](const std::string& line) {
                    send(json{{"line", line}});
                },
                elapsedMs);
            const json last = cell ? json{{"reply", tools::moveText(*cell)}, {"ms", elapsedMs}}
                                   : json{{"failure", failureText(*game)}};
            game->lastUsed = Clock::now();
            // Free before the page reads the move: its next search may come at once.
            lock->unlock();
            send(last);
            sink.done();
            return true;
        });
}

}  // namespace

void addRoutes(httplib::Server& server, Games& games, const Binding& binding,
               const std::string& enginePath) {
    server.set_pre_routing_handler(
        [binding](const httplib::Request& request, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            response.set_header("X-Content-Type-Options", "nosniff");
            // Only the page's own files run, and no other page may frame it.
            response.set_header("Content-Security-Policy",
                                "default-src 'self'; frame-ancestors 'none'; form-action 'none'");
            std::string reason;
            const int status = guard(request, binding, reason);
            if (status == 0) return httplib::Server::HandlerResponse::Unhandled;
            reject(response, status, reason);
            return httplib::Server::HandlerResponse::Handled;
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) reject(response, response.status, "request refused");
    });

    for (const PageFile& file : kPageFiles)
        server.Get(file.path, [&file](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(file.content), file.type);
        });

    server.Post("/api/games",
                [&games, enginePath](const httplib::Request& request, httplib::Response& response) {
                    std::string reason;
                    if (!bodyWith(request, {}, reason)) return reject(response, 400, reason);
                    const std::shared_ptr<Game> game = games.open();
                    if (!game)
                        return reject(response, 503, "too many games are open; try again later");
                    std::lock_guard lock(game->mutex);
                    game->enginePath = enginePath;
                    startEngine(*game);
                    response.status = 201;
                    sendGame(response, *game);
                });

    server.Get(kIdPattern,
               onGame(games, [](Game& game, const httplib::Request&, httplib::Response& response) {
                   sendGame(response, game);
               }));

    server.Delete(kIdPattern,
                  [&games](const httplib::Request& request, httplib::Response& response) {
                      if (!games.close(request.matches[1]))
                          return reject(response, 404, "no such game");
                      response.status = 204;
                  });

    server.Post(std::string(kIdPattern) + "/think",
                [&games](const httplib::Request& request, httplib::Response& response) {
                    startSearch(games, request, response);
                });

    server.Post(std::string(kIdPattern) + "/restart",
                onGame(games, withEmptyBody([](Game& game, httplib::Response& response) {
                           startEngine(game);
                           sendGame(response, game);
                       })));
}

}  // namespace quoll::web
