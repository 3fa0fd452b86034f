#include "web/request_guard.hpp"

#include <arpa/inet.h>

namespace quoll::web {
namespace {

constexpr const char* kJsonType = "application/json";

bool isIpLiteral(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

bool isLoopback(const std::string& host) { return host.starts_with("127.") || host == "::1"; }
bool isWildcard(const std::string& host) { return host == "0.0.0.0" || host == "::"; }

// The Host header names the address the server is bound to. A name other than localhost is
// refused: a page that rebinds its own name to this address still sends its own name here.
// Bound to every address, the server accepts any address literal, never a name.
bool hostAllowed(const std::string& header, const Binding& binding) {
    std::string port = ":";  // appended to: g++ 12 warns wrongly on ":" + std::to_string(...)
    port += std::to_string(binding.port);
    if (!header.ends_with(port)) return false;
    std::string host = header.substr(0, header.size() - port.size());
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host == binding.host) return true;
    if (host == "localhost") return isLoopback(binding.host) || isWildcard(binding.host);
    return isWildcard(binding.host) && isIpLiteral(host);
}

}  // namespace

// Requests that change something come from the page itself: JSON, with its own origin.
// Another site can neither send JSON without asking first nor forge its Origin.
int guard(const httplib::Request& request, const Binding& binding, std::string& reason) {
    const std::string host = request.get_header_value("Host");
    if (!hostAllowed(host, binding)) {
        reason = "this server does not answer to that host name";
        return 403;
    }
    if (request.method == "GET" || request.method == "HEAD") return 0;
    if (request.get_header_value("Origin") != "http://" + host) {
        reason = "requests must come from the board's own page";
        return 403;
    }
    const std::string type = request.get_header_value("Content-Type");
    if (type != kJsonType && !type.starts_with(std::string(kJsonType) + ";")) {
        reason = "the body must be JSON (Content-Type: application/json)";
        return 415;
    }
    return 0;
}

}  // namespace quoll::web
