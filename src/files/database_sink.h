#pragma once
// A back-end the database export writes its rows into: the ".mdb" file (SQLite) or a
// PostgreSQL server. Every write is one transaction: when anything fails, the
// database is left exactly as it was.

#include <cstdint>
#include <string>

#include "files/database_rows.h"

namespace tarvo {

enum class SinkFailure {
    None,
    Unreachable,   // the server cannot be reached (or the file cannot be opened)
    LoginRefused,  // the server refused the login
    Layout,        // a table is missing or of another layout
    Write,         // adding the rows failed
};

struct SinkResult {
    SinkFailure failure = SinkFailure::None;
    std::string error;         // why, for the command line; empty on success
    std::int64_t newRows = 0;  // data rows the database did not hold before

    bool ok() const { return failure == SinkFailure::None; }
};

class DatabaseSink {
  public:
    virtual ~DatabaseSink() = default;
    // Adds the data rows, and the configuration rows when asked, in one transaction.
    virtual SinkResult write(const DatabaseRows& rows, bool withConfiguration) = 0;
};

}  // namespace tarvo
