#pragma once
// The server back-end: a PostgreSQL server reached through libpq with a connection
// URI. The two tables are created on first use when missing; each row also names its
// line in "线路", and a data row the server already holds (same line, address and
// record time) is skipped, so appending a recording twice adds it once.

#include <string>

#include "files/database_sink.h"

namespace tarvo {

class ServerSink : public DatabaseSink {
  public:
    // `uri` as libpq takes it; `line` the text written in "线路" (not empty).
    ServerSink(std::string uri, std::string line) : uri_(std::move(uri)), line_(std::move(line)) {}
    SinkResult write(const DatabaseRows& rows, bool withConfiguration) override;

  private:
    std::string uri_;
    std::string line_;
};

}  // namespace tarvo
