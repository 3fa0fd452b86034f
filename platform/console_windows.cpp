#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/console.hpp"

namespace quoll {

void prepareStandardStreams() { _setmode(_fileno(stdin), _O_BINARY); }

}  // namespace quoll
