#include "files/sqlite_sink.h"

#include <sqlite3.h>

#include <memory>
#include <string_view>
#include <vector>

#include "files/file_names.h"

namespace tarvo {

namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// Where a placeholder of the data insert takes its value from.
constexpr int kFromAddress = -2;
constexpr int kFromTime = -1;

class Writer {
  public:
    explicit Writer(const DatabaseRows& rows) : rows_(rows) {}

    SinkResult run(const std::filesystem::path& path, bool withConfiguration) {
        sqlite3* raw = nullptr;
        const int rc =
            sqlite3_open_v2(pathText(path).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        db_.reset(raw);
        if (rc != SQLITE_OK) return failure(SinkFailure::Unreachable, "cannot open the database");
        // Other programs may hold the file open; wait a little for their locks.
        sqlite3_busy_timeout(db_.get(), 2000);

        SinkResult result = prepareDataInsert();
        if (result.ok() && withConfiguration) result = prepareConfigInsert();
        if (!result.ok()) return result;

        if (!exec("BEGIN IMMEDIATE"))
            return failure(SinkFailure::Write, "cannot begin a transaction");
        if (withConfiguration) result = insertConfigRows();
        if (result.ok()) result = insertDataRows();
        if (result.ok() && !exec("COMMIT")) result = failure(SinkFailure::Write, "cannot commit");
        if (!result.ok()) {
            exec("ROLLBACK");
            return result;
        }
        result.newRows = static_cast<std::int64_t>(rows_.data.size());
        return result;
    }

  private:
    SinkResult failure(SinkFailure kind, std::string_view what) const {
        SinkResult r;
        r.failure = kind;
        r.error = what;
        if (db_) {
            r.error += ": ";
            r.error += sqlite3_errmsg(db_.get());
        }
        return r;
    }

    bool exec(const char* sql) {
        return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    Statement prepare(const std::string& sql, bool& ok) {
        sqlite3_stmt* raw = nullptr;
        ok = sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw,
                                nullptr) == SQLITE_OK;
        return Statement(raw);
    }

    // Column names of a table by position; reading them is also the test that the
    // file is a database at all.
    SinkResult columnsOf(std::string_view table, std::vector<std::string>& names) {
        bool ok = false;
        const Statement s = prepare("PRAGMA table_info(" + quotedName(table) + ")", ok);
        if (!ok) return failure(SinkFailure::Layout, "not a database of the export's layout");
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
            const auto* name = sqlite3_column_text(s.get(), 1);
            names.emplace_back(name ? reinterpret_cast<const char*>(name) : "");
        }
        if (rc != SQLITE_DONE)
            return failure(SinkFailure::Layout, "not a database of the export's layout");
        SinkResult r;
        if (names.empty()) {
            r.failure = SinkFailure::Layout;
            r.error = "the table " + std::string(table) + " is missing";
        }
        return r;
    }

    SinkResult prepareInsert(std::string_view table, const std::vector<std::string>& columns,
                             Statement& into) {
        std::string sql = "INSERT INTO " + quotedName(table) + " (";
        std::string placeholders;
        for (const std::string& column : columns) {
            if (!placeholders.empty()) {
                sql += ',';
                placeholders += ',';
            }
            sql += quotedName(column);
            placeholders += '?';
        }
        sql += ") VALUES (" + placeholders + ")";
        bool ok = false;
        into = prepare(sql, ok);
        return ok ? SinkResult{} : failure(SinkFailure::Layout, "cannot prepare the insert");
    }

    SinkResult prepareConfigInsert() {
        std::vector<std::string> names;
        if (SinkResult r = columnsOf(kConfigTableName, names); !r.ok()) return r;
        std::vector<std::string> columns;
        for (const ColumnDefinition& c : configTable().columns) {
            if (c.type != ColumnType::RowNumber) columns.emplace_back(c.name);
        }
        return prepareInsert(kConfigTableName, columns, configInsert_);
    }

    // The data insert names "所属器件地址", "记录时间" and the value column of every
    // recorded input, found by position. Should two of them fall on one column, the
    // later one is written, as field-by-field assignment would leave it.
    SinkResult prepareDataInsert() {
        std::vector<std::string> names;
        if (SinkResult r = columnsOf(kDataTableName, names); !r.ok()) return r;

        std::vector<std::string> columns;
        dataSources_.clear();
        const auto assign = [&](const std::string& name, int from) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (columns[i] == name) {
                    dataSources_[i] = from;
                    return;
                }
            }
            columns.push_back(name);
            dataSources_.push_back(from);
        };
        assign(std::string(kAddressColumn), kFromAddress);
        assign(std::string(kTimeColumn), kFromTime);
        for (int input = 0; input < kLoggerInputs; ++input) {
            if (!rows_.recordedInputs[static_cast<std::size_t>(input)]) continue;
            const auto position = static_cast<std::size_t>(input + kFirstValuePosition);
            if (position >= names.size()) {
                SinkResult r;
                r.failure = SinkFailure::Layout;
                r.error = "the table " + std::string(kDataTableName) +
                          " has no column at position " + std::to_string(position);
                return r;
            }
            assign(names[position], input);
        }
        return prepareInsert(kDataTableName, columns, dataInsert_);
    }

    SinkResult step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return rc == SQLITE_DONE ? SinkResult{} : failure(SinkFailure::Write, "cannot add a row");
    }

    static void bindText(sqlite3_stmt* s, int k, const std::string& text) {
        sqlite3_bind_text(s, k, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }

    SinkResult insertConfigRows() {
        sqlite3_stmt* s = configInsert_.get();
        for (const ConfigRow& r : rows_.config) {
            int k = 0;
            sqlite3_bind_int(s, ++k, r.firstChannel);
            sqlite3_bind_int(s, ++k, r.lastChannel);
            sqlite3_bind_int(s, ++k, r.channel);
            sqlite3_bind_double(s, ++k, r.maxValue);
            sqlite3_bind_double(s, ++k, r.minValue);
            sqlite3_bind_double(s, ++k, r.meanValue);
            bindText(s, ++k, r.typeText);
            bindText(s, ++k, r.unitText);
            sqlite3_bind_int64(s, ++k, r.color);
            sqlite3_bind_int(s, ++k, r.rangeHigh);
            sqlite3_bind_int(s, ++k, r.rangeLow);
            sqlite3_bind_double(s, ++k, r.startTime);
            bindText(s, ++k, r.userName);
            bindText(s, ++k, r.title);
            sqlite3_bind_double(s, ++k, r.stopTime);
            if (SinkResult result = step(s); !result.ok()) return result;
        }
        return {};
    }

    SinkResult insertDataRows() {
        sqlite3_stmt* s = dataInsert_.get();
        for (const DataRow& r : rows_.data) {
            for (std::size_t k = 0; k < dataSources_.size(); ++k) {
                const int index = static_cast<int>(k) + 1;
                const int from = dataSources_[k];
                if (from == kFromAddress) {
                    sqlite3_bind_int(s, index, r.address);
                } else if (from == kFromTime) {
                    if (r.time) sqlite3_bind_double(s, index, *r.time);
                } else if (const auto& v = r.inputs[static_cast<std::size_t>(from)]) {
                    sqlite3_bind_double(s, index, *v);
                }
            }
            if (SinkResult result = step(s); !result.ok()) return result;
        }
        return {};
    }

    const DatabaseRows& rows_;
    // Statements are declared after the connection so that they are finalized first.
    DatabaseHandle db_;
    Statement configInsert_;
    Statement dataInsert_;
    std::vector<int> dataSources_;  // per placeholder: address, time, or an input 0..7
};

}  // namespace

SinkResult SqliteSink::write(const DatabaseRows& rows, bool withConfiguration) {
    Writer writer(rows);
    return writer.run(path_, withConfiguration);
}

}  // namespace tarvo
