#include "protocol/line_reader.hpp"

#include <iostream>

namespace quoll {

std::istream* commandInput = nullptr;

std::optional<std::string> readCommandLine() {
    std::istream& input = commandInput != nullptr ? *commandInput : std::cin;
    std::string line;
    if (!std::getline(input, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void toUpperAscii(std::string& line) {
    for (char& c : line)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

}  // namespace quoll
