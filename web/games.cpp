#include "web/games.hpp"

#include <signal.h>

#include <cstdio>
#include <random>

namespace quoll::web {
namespace {

// 128 random bits in hexadecimal: an id nobody can guess.
std::string randomId() {
    static std::mutex mutex;
    static std::random_device device;
    std::lock_guard lock(mutex);
    std::string id;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(device()));
        id += part;
    }
    return id;
}

}  // namespace

std::shared_ptr<Game> Games::open() {
    std::lock_guard lock(mutex_);
    if (static_cast<int>(games_.size()) >= limits_.maxGames) return nullptr;
    auto game = std::make_shared<Game>();
    game->id = randomId();
    games_[game->id] = game;
    return game;
}

std::shared_ptr<Game> Games::find(const std::string& id) {
    std::lock_guard lock(mutex_);
    const auto found = games_.find(id);
    return found == games_.end() ? nullptr : found->second;
}

bool Games::close(const std::string& id) {
    std::shared_ptr<Game> closed;  // its process ends here, outside the lock
    std::lock_guard lock(mutex_);
    const auto found = games_.find(id);
    if (found == games_.end()) return false;
    closed = std::move(found->second);
    games_.erase(found);
    return true;
}

void Games::closeIdle() {
    std::vector<std::shared_ptr<Game>> closed;
    std::lock_guard lock(mutex_);
    for (auto entry = games_.begin(); entry != games_.end();) {
        Game& game = *entry->second;
        std::unique_lock inUse(game.mutex, std::try_to_lock);
        if (inUse && Clock::now() - game.lastUsed >= limits_.idleLimit) {
            inUse.unlock();
            closed.push_back(std::move(entry->second));
            entry = games_.erase(entry);
        } else {
            ++entry;
        }
    }
}

void Games::stopEngines() {
    std::lock_guard lock(mutex_);
    for (const auto& [id, game] : games_)
        if (const pid_t pid = game->enginePid; pid > 0) kill(pid, SIGKILL);
}

void Games::closeAll() {
    std::map<std::string, std::shared_ptr<Game>> closed;
    std::lock_guard lock(mutex_);
    closed.swap(games_);
}

}  // namespace quoll::web
