// quoll-worker: the engine as the program of a Web Worker. The page posts protocol lines to the
// worker and gets each reply line back (worker.js does the posting); the command handling, the
// search and the board are pbrain-quoll's own. Each command is handled to its end before the
// next is read, as in the native program, so the engine's single thread and its deadlines work
// unchanged. Only the way of the lines differs: the posted lines are gathered here into whole
// commands, which the engine reads through the line reader's stream, and the replies it writes
// through its reply stream are cut here into lines for worker.js to post.

#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>
#include <stdio.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>
#include <string>
#include <string_view>

#include "protocol/dispatcher.hpp"
#include "protocol/line_reader.hpp"
#include "protocol/logging.hpp"
#include "protocol/protocol_state.hpp"
#include "protocol/replies.hpp"
#include "protocol/scan.hpp"
#include "protocol/settings.hpp"

// Posts a reply line (its bytes, without the line feed) to the page.
EM_JS(void, postReplyLine, (const char* bytes, std::size_t size),
      { quollPostReply(HEAPU8.subarray(bytes, bytes + size)); });

namespace {

using namespace quoll;

// The bytes of the posted lines arrive in pieces of at most this size, so that a line of any
// length passes through a buffer of fixed size.
constexpr std::size_t kPieceBytes = std::size_t{64} << 10;
char piece[kPieceBytes];

// The memory limit until the page sends one: a browser tab's share. A START before the page's
// MAX_MEMORY then does not grow the module's memory, which never shrinks, for a table of the
// native default.
constexpr std::uint64_t kWorkerMaxMemory = std::uint64_t{64} << 20;

// An unfinished command (a BOARD block waiting for its DONE) that grows to this size is handed
// to the engine as it stands, as if the input ended there, so that the gathered text stays
// bounded. A real block, a row for each of the board's cells at most, is a few KiB.
constexpr std::size_t kMaxPendingBytes = std::size_t{1} << 20;

ProtocolState state;
// Lines received and not yet handed to the engine, each ended by its line feed, and then the
// bytes of the line being received.
std::string pending;
std::size_t lineBytes = 0;  // kept bytes of the line being received: the reader's cut, as native
// Where the search for the end of the first pending command goes on: no DONE lies before it.
std::size_t searchedTo = 0;

// The bytes of a command, read in place through the line reader.
class CommandBytes : public std::streambuf {
  public:
    CommandBytes(char* begin, std::size_t size) { setg(begin, begin, begin + size); }
};

// The line reader's view of a line: without a carriage return before its line feed.
std::string_view withoutReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool isDone(std::string_view line) {
    std::string upper(withoutReturn(line));
    toUpperAscii(upper);
    return upper == "DONE";
}

// The length of the whole command at the start of `pending`, or 0 while it is incomplete. A
// command is one line, except that BOARD in a game reads its block of rows up to DONE (and
// outside a game is refused without reading them, as the dispatcher and handleBoard do).
std::size_t wholeCommandBytes() {
    const std::size_t firstEnd = pending.find('\n');
    if (firstEnd == std::string::npos) return 0;
    std::string first = pending.substr(0, firstEnd);
    toUpperAscii(first);
    std::string word;
    if (state.mode != ProtocolMode::Playing || !scan(first, "{}", word) || word != "BOARD")
        return firstEnd + 1;
    if (searchedTo <= firstEnd) searchedTo = firstEnd + 1;
    for (;;) {
        const std::size_t end = pending.find('\n', searchedTo);
        if (end == std::string::npos) return 0;
        const std::size_t begin = searchedTo;
        searchedTo = end + 1;
        if (isDone(std::string_view(pending).substr(begin, end - begin))) return end + 1;
    }
}

// Hands the engine each whole command received, one after the other, each to its end.
void handleWholeCommands() {
    while (state.mode != ProtocolMode::Terminating) {
        std::size_t bytes = wholeCommandBytes();
        if (bytes == 0) {
            if (pending.size() < kMaxPendingBytes) break;
            bytes = pending.size();
        }
        CommandBytes command(pending.data(), bytes);
        std::istream lines(&command);
        commandInput = &lines;
        handleCommand(state);
        commandInput = nullptr;
        pending.erase(0, bytes);
        searchedTo = 0;
    }
    if (state.mode == ProtocolMode::Terminating) pending.clear();
}

std::string replyLine;  // the reply being written, up to its line feed

// The reply stream's writer: every byte as written, each line posted once its line feed comes.
ssize_t writeReplies(void*, const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != '\n') {
            replyLine.push_back(bytes[i]);
            continue;
        }
        postReplyLine(replyLine.data(), replyLine.size());
        replyLine.clear();
    }
    return static_cast<ssize_t>(size);
}

}  // namespace

// worker.js calls these: quollStart once when the module is ready, then for each posted line
// quollReceive with each piece of its bytes (and its line feed) in the buffer of quollPiece.
extern "C" {

EMSCRIPTEN_KEEPALIVE void quollStart() {
    switchLoggingOff();
    gameSettings.maxMemory = kWorkerMaxMemory;
    // Unbuffered, so that no byte waits in the stream (writeLine flushes each reply anyway).
    replyStream =
        fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, writeReplies, nullptr, nullptr});
    if (replyStream != nullptr) setvbuf(replyStream, nullptr, _IONBF, 0);
}

EMSCRIPTEN_KEEPALIVE char* quollPiece() { return piece; }

EMSCRIPTEN_KEEPALIVE std::size_t quollPieceBytes() { return kPieceBytes; }

// Takes `bytes` bytes of the buffer and handles every command they complete. Returns 0 once the
// engine has ended (END), after which it takes nothing more, and 1 before.
EMSCRIPTEN_KEEPALIVE int quollReceive(std::size_t bytes) {
    for (std::size_t i = 0; i < bytes && state.mode != ProtocolMode::Terminating; ++i) {
        const char c = piece[i];
        if (c == '\n') {
            pending.push_back(c);
            lineBytes = 0;
            handleWholeCommands();
        } else if (lineBytes < kMaxLineBytes) {
            pending.push_back(c);
            ++lineBytes;
        }
    }
    return state.mode == ProtocolMode::Terminating ? 0 : 1;
}

}  // extern "C"
