#include "platform/console.hpp"

namespace quoll {

// Linux streams have no text mode: a line ends with its line feed.
void prepareStandardStreams() {}

}  // namespace quoll
