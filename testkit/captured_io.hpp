#pragma once
// The protocol front end inside the calling process: command lines read from a string, replies
// written to memory. Only one may be alive at a time.

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "protocol/line_reader.hpp"
#include "protocol/replies.hpp"

namespace quoll {

struct CapturedIo {
    std::istringstream input;
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);

    explicit CapturedIo(std::string_view lines) : input(std::string(lines)) {
        commandInput = &input;
        replyStream = stream;
    }
    ~CapturedIo() {
        commandInput = nullptr;
        replyStream = nullptr;
        std::fclose(stream);
        std::free(buffer);
    }
    CapturedIo(const CapturedIo&) = delete;
    CapturedIo& operator=(const CapturedIo&) = delete;

    std::string output() {
        std::fflush(stream);
        return std::string(buffer, size);
    }
    bool inputLeft() { return input.peek() != std::char_traits<char>::eof(); }
};

}  // namespace quoll
