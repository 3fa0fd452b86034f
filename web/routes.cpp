#include "web/routes.hpp"

#include <functional>
#include <nlohmann/json.hpp>
#include <string_view>

#include "web/page_files.hpp"
#include "web/record.hpp"

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

// ---- Request bodies -----------------------------------------------------------------------

// The body as an object with exactly the named fields, or nothing with the reason.
std::optional<json> bodyWith(const httplib::Request& request,
                             std::initializer_list<std::string_view> fields, std::string& reason) {
    json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        reason = "the body must be a JSON object";
        return std::nullopt;
    }
    for (const auto& [key, value] : body.items())
        if (std::find(fields.begin(), fields.end(), key) == fields.end()) {
            reason = "unknown field: " + key.substr(0, 40);
            return std::nullopt;
        }
    for (const std::string_view field : fields)
        if (!body.contains(field)) {
            reason = "missing field: " + std::string(field);
            return std::nullopt;
        }
    return body;
}

std::optional<int> integerIn(const json& value, int low, int high) {
    if (!value.is_number_integer()) return std::nullopt;
    if (value.is_number_unsigned() ? value.get<std::uint64_t>() > static_cast<std::uint64_t>(high)
                                   : value.get<std::int64_t>() > high)
        return std::nullopt;
    const std::int64_t number = value.get<std::int64_t>();
    if (number < low) return std::nullopt;
    return static_cast<int>(number);
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

const char* colourName(std::uint8_t stone) {
    return stone == tools::kBlackStone ? "black" : "white";
}

json point(int cell) { return json{{"x", cell % tools::kSide}, {"y", cell / tools::kSide}}; }

json describe(const Game& game) {
    json moves = json::array();
    for (const Move& move : game.moves) {
        json entry = point(move.cell);
        entry["engine"] = move.byEngine;
        entry["ms"] = move.thinkingMs;
        moves.push_back(entry);
    }
    json five = json::array();
    for (const int cell : game.five) five.push_back(point(cell));
    const char* toMove = personToMove(game) ? "person" : engineToMove(game) ? "engine" : "nobody";
    return json{{"id", game.id},
                {"person", colourName(game.personStone)},
                {"turnMs", game.turnMs},
                {"moves", moves},
                {"toMove", toMove},
                {"winner", game.winner == tools::kNone ? json() : json(colourName(game.winner))},
                {"five", five},
                {"draw", game.draw},
                {"hint", game.hint ? point(*game.hint) : json()},
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

// The engine's move, or its move for the person as a hint: both need the engine running and
// that side to move.
GameWork askEngine(bool forPerson) {
    return withEmptyBody([forPerson](Game& game, httplib::Response& response) {
        if (forPerson ? !personToMove(game) : !engineToMove(game))
            return reject(response, 409,
                          forPerson ? "it is not your turn" : "it is not the engine's turn");
        if (!game.engine) return reject(response, 409, "the engine has stopped: restart it");
        if (forPerson) findHint(game);
        else playEngineMove(game);
        sendGame(response, game);
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

    server.Post("/api/games", [&games, enginePath](const httplib::Request& request,
                                                   httplib::Response& response) {
        std::string reason;
        const std::optional<json> body = bodyWith(request, {"colour", "turnMs"}, reason);
        if (!body) return reject(response, 400, reason);
        const json& colour = (*body)["colour"];
        if (colour != "black" && colour != "white")
            return reject(response, 400, "colour must be \"black\" or \"white\"");
        const std::optional<int> turnMs = integerIn((*body)["turnMs"], kMinTurnMs, kMaxTurnMs);
        if (!turnMs) return reject(response, 400, "turnMs must be a whole number 100..60000");
        const std::shared_ptr<Game> game = games.open();
        if (!game) return reject(response, 503, "too many games are open; try again later");
        std::lock_guard lock(game->mutex);
        game->enginePath = enginePath;
        game->personStone = colour == "black" ? tools::kBlackStone : tools::kWhiteStone;
        game->turnMs = *turnMs;
        startEngine(*game);
        response.status = 201;
        sendGame(response, *game);
    });

    server.Get(kIdPattern,
               onGame(games, [](Game& game, const httplib::Request&, httplib::Response& response) {
                   sendGame(response, game);
               }));

    server.Get(std::string(kIdPattern) + "/record",
               onGame(games, [](Game& game, const httplib::Request&, httplib::Response& response) {
                   response.set_header("Content-Disposition",
                                       "attachment; filename=\"quoll-game.psq\"");
                   response.set_content(recordText(game.moves), "text/plain");
               }));

    server.Delete(kIdPattern,
                  [&games](const httplib::Request& request, httplib::Response& response) {
                      if (!games.close(request.matches[1]))
                          return reject(response, 404, "no such game");
                      response.status = 204;
                  });

    server.Post(
        std::string(kIdPattern) + "/move",
        onGame(games, [](Game& game, const httplib::Request& request, httplib::Response& response) {
            std::string reason;
            const std::optional<json> body = bodyWith(request, {"x", "y"}, reason);
            if (!body) return reject(response, 400, reason);
            const auto x = integerIn((*body)["x"], 0, tools::kSide - 1);
            const auto y = integerIn((*body)["y"], 0, tools::kSide - 1);
            if (!x || !y) return reject(response, 400, "x and y must be whole numbers 0..14");
            if (!personToMove(game)) return reject(response, 409, "it is not your turn");
            if (!playPersonMove(game, *y * tools::kSide + *x))
                return reject(response, 409, "that cell is taken");
            sendGame(response, game);
        }));

    server.Post(std::string(kIdPattern) + "/reply", onGame(games, askEngine(false)));
    server.Post(std::string(kIdPattern) + "/hint", onGame(games, askEngine(true)));

    server.Post(std::string(kIdPattern) + "/undo",
                onGame(games, withEmptyBody([](Game& game, httplib::Response& response) {
                           if (!undoMovePair(game)) return reject(response, 409, "nothing to undo");
                           sendGame(response, game);
                       })));

    server.Post(std::string(kIdPattern) + "/restart",
                onGame(games, withEmptyBody([](Game& game, httplib::Response& response) {
                           startEngine(game);
                           sendGame(response, game);
                       })));

    server.Post(
        std::string(kIdPattern) + "/load",
        onGame(games, [](Game& game, const httplib::Request& request, httplib::Response& response) {
            std::string reason;
            const std::optional<json> body = bodyWith(request, {"record"}, reason);
            if (!body) return reject(response, 400, reason);
            if (!(*body)["record"].is_string())
                return reject(response, 400, "record must be a string");
            const auto moves = readRecord((*body)["record"].get<std::string>());
            if (!moves) return reject(response, 400, "a move of the record is off the board");
            if (!replaceMoves(game, *moves))
                return reject(response, 400,
                              "the record has a move on a taken cell or after the end");
            sendGame(response, game);
        }));
}

}  // namespace quoll::web
