#pragma once
// Where a database command writes: a ".mdb" file on this machine, or a PostgreSQL
// server named by a connection URI ("postgresql://…" or "postgres://…", libpq's own
// syntax; the password may come from the URI, PGPASSWORD or ~/.pgpass as libpq reads
// them).

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

class SaveTarget {
  public:
    enum class Kind { File, Server };

    static SaveTarget file(std::filesystem::path path);
    static SaveTarget server(std::string uri);

    // A name as typed or chosen: a server when it begins with a PostgreSQL URI
    // scheme (in any case), else a file path.
    static SaveTarget fromName(std::string_view name);

    Kind kind() const { return kind_; }
    bool isServer() const { return kind_ == Kind::Server; }
    const std::filesystem::path& path() const { return path_; }
    const std::string& uri() const { return uri_; }

    // What the program shows of the target: the path, or the URI without its password.
    std::string displayText() const;

  private:
    Kind kind_ = Kind::File;
    std::filesystem::path path_;
    std::string uri_;
};

bool isServerUri(std::string_view name);

// The URI with any password removed, from the user part ("user:secret@") and from
// a "password=" parameter alike; everything else as it was.
std::string withoutPassword(std::string_view uri);

}  // namespace tarvo
