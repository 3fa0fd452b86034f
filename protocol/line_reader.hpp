#pragma once
// Reading command lines. The dispatcher and the BOARD block read through here, from standard
// input or from whatever stream a test or a fuzzer puts in place.

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace quoll {

// Where command lines come from; nullptr means standard input.
extern std::istream* commandInput;

// Bytes of a line that are kept; the rest of a longer line is read and dropped, so that an
// endless line cannot take all memory. Every real command is far shorter.
inline constexpr std::size_t kMaxLineBytes = std::size_t{16} << 20;

// The next line without its line feed (and without a carriage return before it), of any
// length and with any bytes, cut to kMaxLineBytes; nothing once the input has ended. A last
// line without a line feed is still returned.
std::optional<std::string> readCommandLine();

// a to z become A to Z; every other byte stays as it is.
void toUpperAscii(std::string& line);

}  // namespace quoll
