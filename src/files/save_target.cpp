#include "files/save_target.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "files/file_names.h"

namespace tarvo {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

bool isServerUri(std::string_view name) {
    return startsWithNoCase(name, "postgresql://") || startsWithNoCase(name, "postgres://");
}

SaveTarget SaveTarget::file(std::filesystem::path path) {
    SaveTarget t;
    t.kind_ = Kind::File;
    t.path_ = std::move(path);
    return t;
}

SaveTarget SaveTarget::server(std::string uri) {
    SaveTarget t;
    t.kind_ = Kind::Server;
    t.uri_ = std::move(uri);
    return t;
}

SaveTarget SaveTarget::fromName(std::string_view name) {
    return isServerUri(name) ? server(std::string(name)) : file(pathFromText(name));
}

std::string SaveTarget::displayText() const {
    return kind_ == Kind::Server ? withoutPassword(uri_) : pathText(path_);
}

std::string withoutPassword(std::string_view uri) {
    std::string out(uri);
    // The user part: between "://" and the last "@" before the host list ends.
    const std::size_t scheme = out.find("://");
    if (scheme != std::string::npos) {
        const std::size_t start = scheme + 3;
        const std::size_t end = std::min(out.find_first_of("/?", start), out.size());
        const std::size_t at = out.rfind('@', end == 0 ? 0 : end - 1);
        if (at != std::string::npos && at >= start) {
            const std::size_t colon = out.find(':', start);
            if (colon != std::string::npos && colon < at) out.erase(colon, at - colon);
        }
    }
    // A "password=" parameter of the query.
    const std::size_t query = out.find('?');
    if (query == std::string::npos) return out;
    std::string kept = out.substr(0, query);
    std::string_view params = std::string_view(out).substr(query + 1);
    std::string rest;
    while (!params.empty()) {
        const std::size_t amp = params.find('&');
        const std::string_view param = params.substr(0, amp);
        if (!startsWithNoCase(param, "password=") && !param.empty()) {
            if (!rest.empty()) rest += '&';
            rest += param;
        }
        if (amp == std::string_view::npos) break;
        params.remove_prefix(amp + 1);
    }
    if (!rest.empty()) kept += '?' + rest;
    return kept;
}

}  // namespace tarvo
