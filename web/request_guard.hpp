#pragma once
// Who may drive the server: the Host header must name the address it is bound to, and requests
// that change something must come from the board's own page, as JSON. This keeps other web
// pages, and pages that rebind their own name to this address, from playing or reading games.

#include <httplib.h>

#include <string>

namespace quoll::web {

struct Binding {
    std::string host;  // the address the server listens on
    int port = 0;
};

// 0 when the request may go on; else the HTTP status to refuse it with, and `reason` says why.
int guard(const httplib::Request& request, const Binding& binding, std::string& reason);

}  // namespace quoll::web
