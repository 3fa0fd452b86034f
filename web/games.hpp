#pragma once
// The open games, each with its own engine process, found by a random id. There is a limit on
// how many are open at once, and games left idle are closed with their process.

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "web/game.hpp"

namespace quoll::web {

struct GameLimits {
    int maxGames = 8;
    std::chrono::seconds idleLimit{600};
};

class Games {
  public:
    explicit Games(GameLimits limits) : limits_(limits) {}

    // A new game with a fresh id, not yet started; nothing when the limit is reached.
    std::shared_ptr<Game> open();
    std::shared_ptr<Game> find(const std::string& id);
    bool close(const std::string& id);
    // Closes the games nobody has used for the idle limit; a game in use is left alone.
    void closeIdle();
    // Kills every engine process, also those a request is waiting for; the games stay.
    void stopEngines();
    void closeAll();

  private:
    GameLimits limits_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Game>> games_;
};

}  // namespace quoll::web
