#include "files/server_sink.h"

#include <libpq-fe.h>

#include <array>
#include <charconv>
#include <memory>
#include <string_view>
#include <vector>

namespace tarvo {

namespace {

struct FinishConnection {
    void operator()(PGconn* c) const { PQfinish(c); }
};
struct ClearResult {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Connection = std::unique_ptr<PGconn, FinishConnection>;
using Result = std::unique_ptr<PGresult, ClearResult>;

// Serialises the creation of the tables between workstations that append at once.
constexpr const char* kCreateLock = "SELECT pg_advisory_lock(7480313650127221)";
constexpr const char* kCreateUnlock = "SELECT pg_advisory_unlock(7480313650127221)";

// How long a connection attempt may take unless the URI says otherwise (seconds).
constexpr const char* kConnectTimeout = "10";

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

SinkResult fail(SinkFailure kind, std::string error) {
    SinkResult r;
    r.failure = kind;
    r.error = std::move(error);
    return r;
}

void appendNumber(std::string& out, double value) {
    char buf[32];
    const auto written = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, written.ptr);
}

class Session {
  public:
    Session(const DatabaseRows& rows, const std::string& line) : rows_(rows), line_(line) {}

    SinkResult run(const std::string& uri, bool withConfiguration) {
        if (SinkResult r = connect(uri); !r.ok()) return r;
        if (SinkResult r = ensureTables(); !r.ok()) return r;
        std::vector<std::string> dataColumns;
        if (SinkResult r = columnsOf(kDataTableName, dataColumns); !r.ok()) return r;
        if (SinkResult r = checkDataLayout(dataColumns); !r.ok()) return r;

        if (SinkResult r = exec("BEGIN"); !r.ok()) return r;
        SinkResult result = withConfiguration ? insertConfigRows() : SinkResult{};
        if (result.ok()) result = insertDataRows(dataColumns);
        if (result.ok()) {
            const std::int64_t added = result.newRows;
            result = exec("COMMIT");
            result.newRows = added;
        }
        if (!result.ok()) exec("ROLLBACK");  // also ends a transaction a failure aborted
        return result;
    }

  private:
    SinkResult connect(const std::string& uri) {
        // Later entries override earlier ones, so the URI's own settings win.
        const std::array<const char*, 5> keys = {"connect_timeout", "client_encoding",
                                                 "fallback_application_name", "dbname", nullptr};
        const std::array<const char*, 5> values = {kConnectTimeout, "UTF8", "tarvo", uri.c_str(),
                                                   nullptr};
        conn_.reset(PQconnectdbParams(keys.data(), values.data(), 1));
        if (!conn_) return fail(SinkFailure::Unreachable, "out of memory");
        if (PQstatus(conn_.get()) == CONNECTION_OK) {
            // A URI may name another client encoding; the texts here are UTF-8.
            if (PQsetClientEncoding(conn_.get(), "UTF8") != 0)
                return fail(SinkFailure::Write, trimmed(PQerrorMessage(conn_.get())));
            return {};
        }
        const std::string why = trimmed(PQerrorMessage(conn_.get()));
        // A server that answered and turned the login down, as against no server: it
        // asked for a password, took one, or sent its own fatal error.
        const bool refused = PQconnectionNeedsPassword(conn_.get()) != 0 ||
                             PQconnectionUsedPassword(conn_.get()) != 0 ||
                             why.find("FATAL:") != std::string::npos;
        return fail(refused ? SinkFailure::LoginRefused : SinkFailure::Unreachable, why);
    }

    // The failure a statement's result stands for, classed by its SQLSTATE.
    SinkResult failureOf(const PGresult* res) const {
        std::string why = trimmed(PQresultErrorMessage(res));
        if (why.empty()) why = trimmed(PQerrorMessage(conn_.get()));
        const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
        const std::string_view code = state ? state : "";
        if (PQstatus(conn_.get()) != CONNECTION_OK || code.starts_with("08"))
            return fail(SinkFailure::Unreachable, why);
        if (code.starts_with("28")) return fail(SinkFailure::LoginRefused, why);
        // Undefined table or column, a missing key for the conflict rule, a wrong type.
        if (code.starts_with("42")) return fail(SinkFailure::Layout, why);
        return fail(SinkFailure::Write, why);
    }

    Result run(const char* sql, const std::vector<std::string>& params = {}) {
        std::vector<const char*> values;
        values.reserve(params.size());
        for (const std::string& p : params) values.push_back(p.c_str());
        return Result(PQexecParams(conn_.get(), sql, static_cast<int>(values.size()), nullptr,
                                   values.data(), nullptr, nullptr, 0));
    }

    SinkResult exec(const char* sql, const std::vector<std::string>& params = {}) {
        const Result res = run(sql, params);
        const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return {};
        return failureOf(res.get());
    }

    // Whether a table of this name exists in the search path.
    SinkResult exists(std::string_view table, bool& found) {
        const Result res = run("SELECT to_regclass($1) IS NOT NULL", {quotedName(table)});
        if (!res || PQresultStatus(res.get()) != PGRES_TUPLES_OK) return failureOf(res.get());
        found = std::string_view(PQgetvalue(res.get(), 0, 0)) == "t";
        return {};
    }

    // Creates the tables that are missing, one workstation at a time. A login that
    // may only add rows still works against tables that exist. The lock is the
    // session's and the check after it a transaction of its own, so that the check
    // sees a table another workstation has just made.
    SinkResult ensureTables() {
        bool config = false;
        bool data = false;
        if (SinkResult r = exists(kConfigTableName, config); !r.ok()) return r;
        if (SinkResult r = exists(kDataTableName, data); !r.ok()) return r;
        if (config && data) return {};

        if (SinkResult r = exec(kCreateLock); !r.ok()) return r;
        SinkResult result = exists(kConfigTableName, config);
        if (result.ok()) result = exists(kDataTableName, data);
        if (result.ok()) result = exec("BEGIN");
        if (result.ok() && !config) result = exec(serverTableDefinition(configTable()).c_str());
        if (result.ok() && !data) result = exec(serverTableDefinition(dataTable()).c_str());
        if (result.ok()) result = exec("COMMIT");
        if (!result.ok()) exec("ROLLBACK");
        exec(kCreateUnlock);
        return result;
    }

    SinkResult columnsOf(std::string_view table, std::vector<std::string>& names) {
        const Result res =
            run("SELECT attname FROM pg_attribute WHERE attrelid = to_regclass($1) AND attnum > 0 "
                "AND NOT attisdropped ORDER BY attnum",
                {quotedName(table)});
        if (!res || PQresultStatus(res.get()) != PGRES_TUPLES_OK) return failureOf(res.get());
        for (int i = 0; i < PQntuples(res.get()); ++i)
            names.emplace_back(PQgetvalue(res.get(), i, 0));
        if (names.empty())
            return fail(SinkFailure::Layout, "the table " + std::string(table) + " is missing");
        return {};
    }

    // The named columns exist, and every recorded input has a value column of its own.
    SinkResult checkDataLayout(const std::vector<std::string>& names) const {
        const auto has = [&names](std::string_view name) {
            for (const std::string& n : names) {
                if (n == name) return true;
            }
            return false;
        };
        for (const std::string_view name : {kAddressColumn, kTimeColumn, kLineColumn}) {
            if (!has(name)) {
                return fail(SinkFailure::Layout, "the table " + std::string(kDataTableName) +
                                                     " has no column " + std::string(name));
            }
        }
        for (int input = 0; input < kLoggerInputs; ++input) {
            if (!rows_.recordedInputs[static_cast<std::size_t>(input)]) continue;
            const auto position = static_cast<std::size_t>(input + kFirstValuePosition);
            const bool named = position < names.size() &&
                               (names[position] == kAddressColumn ||
                                names[position] == kTimeColumn || names[position] == kLineColumn);
            if (position >= names.size() || named) {
                return fail(SinkFailure::Layout, "the table " + std::string(kDataTableName) +
                                                     " has no value column at position " +
                                                     std::to_string(position));
            }
        }
        return {};
    }

    SinkResult insertConfigRows() {
        std::string sql = "INSERT INTO " + quotedName(kConfigTableName) + " (";
        std::string placeholders;
        int n = 0;
        for (const ColumnDefinition& c : configTable().columns) {
            if (c.type == ColumnType::RowNumber) continue;
            sql += quotedName(c.name) + ", ";
            placeholders += "$" + std::to_string(++n) + ", ";
        }
        sql += quotedName(kLineColumn) + ") VALUES (" + placeholders + "$" + std::to_string(n + 1) +
               ")";
        const auto number = [](double v) {
            std::string s;
            appendNumber(s, v);
            return s;
        };
        for (const ConfigRow& r : rows_.config) {
            const std::vector<std::string> params = {std::to_string(r.firstChannel),
                                                     std::to_string(r.lastChannel),
                                                     std::to_string(r.channel),
                                                     number(r.maxValue),
                                                     number(r.minValue),
                                                     number(r.meanValue),
                                                     r.typeText,
                                                     r.unitText,
                                                     std::to_string(r.color),
                                                     std::to_string(r.rangeHigh),
                                                     std::to_string(r.rangeLow),
                                                     number(r.startTime),
                                                     r.userName,
                                                     r.title,
                                                     number(r.stopTime),
                                                     line_};
            if (SinkResult result = exec(sql.c_str(), params); !result.ok()) return result;
        }
        return {};
    }

    // The rows go to a temporary table by COPY, and from there into the table in one
    // statement that skips the keys the server holds already.
    SinkResult insertDataRows(const std::vector<std::string>& names) {
        std::string temp = "CREATE TEMPORARY TABLE tarvo_rows (a smallint, t double precision";
        for (int input = 0; input < kLoggerInputs; ++input)
            temp += ", v" + std::to_string(input) + " real";
        temp += ") ON COMMIT DROP";
        if (SinkResult r = exec(temp.c_str()); !r.ok()) return r;
        if (SinkResult r = copyRows(); !r.ok()) return r;

        std::string sql = "INSERT INTO " + quotedName(kDataTableName) + " (" +
                          quotedName(kLineColumn) + ", " + quotedName(kAddressColumn) + ", " +
                          quotedName(kTimeColumn);
        std::string select = "SELECT $1, a, t";
        for (int input = 0; input < kLoggerInputs; ++input) {
            if (!rows_.recordedInputs[static_cast<std::size_t>(input)]) continue;
            sql += ", " + quotedName(names[static_cast<std::size_t>(input + kFirstValuePosition)]);
            select += ", v" + std::to_string(input);
        }
        sql += ") " + select + " FROM tarvo_rows ON CONFLICT (" + quotedName(kLineColumn) + ", " +
               quotedName(kAddressColumn) + ", " + quotedName(kTimeColumn) + ") DO NOTHING";
        const Result res = run(sql.c_str(), {line_});
        if (!res || PQresultStatus(res.get()) != PGRES_COMMAND_OK) return failureOf(res.get());
        SinkResult r;
        const std::string_view added = PQcmdTuples(res.get());
        std::from_chars(added.data(), added.data() + added.size(), r.newRows);
        return r;
    }

    SinkResult copyRows() {
        {
            const Result res = run("COPY tarvo_rows FROM STDIN");
            if (!res || PQresultStatus(res.get()) != PGRES_COPY_IN) return failureOf(res.get());
        }
        constexpr std::size_t kChunk = 1 << 18;
        std::string buffer;
        buffer.reserve(kChunk + 256);
        bool sent = true;
        for (const DataRow& row : rows_.data) {
            buffer += std::to_string(row.address);
            buffer += '\t';
            if (row.time)
                appendNumber(buffer, *row.time);
            else
                buffer += "\\N";
            for (const auto& v : row.inputs) {
                buffer += '\t';
                if (v)
                    appendNumber(buffer, static_cast<double>(static_cast<float>(*v)));
                else
                    buffer += "\\N";
            }
            buffer += '\n';
            if (buffer.size() >= kChunk) {
                sent =
                    PQputCopyData(conn_.get(), buffer.data(), static_cast<int>(buffer.size())) == 1;
                buffer.clear();
                if (!sent) break;
            }
        }
        if (sent && !buffer.empty())
            sent = PQputCopyData(conn_.get(), buffer.data(), static_cast<int>(buffer.size())) == 1;
        const bool ended =
            PQputCopyEnd(conn_.get(), sent ? nullptr : "the rows could not be sent") == 1;
        SinkResult result;
        // The COPY's own result, then the end of it.
        while (Result res{PQgetResult(conn_.get())}) {
            if (PQresultStatus(res.get()) != PGRES_COMMAND_OK && result.ok())
                result = failureOf(res.get());
        }
        if (result.ok() && (!sent || !ended))
            result = fail(SinkFailure::Unreachable, trimmed(PQerrorMessage(conn_.get())));
        return result;
    }

    const DatabaseRows& rows_;
    const std::string& line_;
    Connection conn_;
};

}  // namespace

SinkResult ServerSink::write(const DatabaseRows& rows, bool withConfiguration) {
    Session session(rows, line_);
    return session.run(uri_, withConfiguration);
}

}  // namespace tarvo
