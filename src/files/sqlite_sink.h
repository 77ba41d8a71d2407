#pragma once
// The ".mdb" back-end: an SQLite 3 database file of the template's layout. The value
// column of input k is the column at position k + 2 of "数据记录表", whatever its
// name; the other columns are found by name.

#include <filesystem>

#include "files/database_sink.h"

namespace tarvo {

class SqliteSink : public DatabaseSink {
  public:
    explicit SqliteSink(std::filesystem::path path) : path_(std::move(path)) {}
    // Every data row is new: a file keeps what it is given, twice if given twice.
    SinkResult write(const DatabaseRows& rows, bool withConfiguration) override;

  private:
    std::filesystem::path path_;
};

}  // namespace tarvo
