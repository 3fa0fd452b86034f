#include <emscripten/emscripten.h>

#include "platform/clock.hpp"

namespace quoll {

// The page's monotonic clock, performance.now() (Node.js has it too): milliseconds with a
// fraction. Browsers coarsen it to a tenth of a millisecond or so, far finer than any deadline.
std::int64_t monotonicNowNs() { return static_cast<std::int64_t>(emscripten_get_now() * 1e6); }

}  // namespace quoll
