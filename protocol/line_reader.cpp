#include "protocol/line_reader.hpp"

#include <iostream>

namespace quoll {

std::istream* commandInput = nullptr;

std::optional<std::string> readCommandLine() {
    std::istream& input = commandInput != nullptr ? *commandInput : std::cin;
    std::streambuf* bytes = input.rdbuf();
    if (bytes == nullptr) return std::nullopt;
    std::string line;
    bool anything = false;
    for (;;) {
        const int c = bytes->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            if (!anything) return std::nullopt;
            break;
        }
        anything = true;
        if (c == '\n') break;
        if (line.size() < kMaxLineBytes) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void toUpperAscii(std::string& line) {
    for (char& c : line)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

}  // namespace quoll
