#include "files/database_export.h"

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "files/file_names.h"
#include "files/logger_data_file.h"

namespace tarvo {

namespace {

constexpr const char* kConfigTable = "仪器配置表";
constexpr const char* kDataTable = "数据记录表";

// The value of input k (1..8) lies in the column at position k + 2 (channel code + 3).
constexpr int kFirstValuePosition = 3;
constexpr int kInputs = 8;

constexpr std::array<const char*, 15> kConfigColumns = {
    "通道最小", "通道最大",     "通道",         "最大值",   "最小值", "平均值", "类型",     "单位",
    "曲线颜色", "曲线最大坐标", "曲线最小坐标", "启动时间", "用户名", "标题",   "停止时间",
};

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

std::string sqlName(std::string_view name) {
    std::string out = "\"";
    for (const char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

// A single as the double nearest to its shortest decimal text, so that the database
// shows 23.4 for 23.4f and not 23.3999996185303.
double storedSingle(float value) {
    if (!std::isfinite(value)) return value;
    char buf[32];
    const auto written = std::to_chars(buf, buf + sizeof buf, value);
    double d = value;
    if (written.ec == std::errc()) std::from_chars(buf, written.ptr, d);
    return d;
}

// Writes the rows of one command into one open database, all in one transaction.
// Each step returns an empty text on success, else the reason.
class DatabaseWriter {
public:
    explicit DatabaseWriter(const ExportSource& source) : source_(source) {
        if (!source.channels.empty()) first_ = source.channels.front();
    }

    std::string open(const std::filesystem::path& path) {
        sqlite3* raw = nullptr;
        const int rc =
            sqlite3_open_v2(pathText(path).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        db_.reset(raw);
        if (rc != SQLITE_OK) return failure("cannot open the database");
        // Other programs may hold the file open; wait a little for their locks.
        sqlite3_busy_timeout(db_.get(), 2000);
        return {};
    }

    // Writes the configuration rows (when asked) and the data rows. On failure
    // nothing of them stays in the database.
    std::string write(bool withConfiguration) {
        std::string error = prepareDataInsert();
        if (error.empty() && withConfiguration) error = prepareConfigInsert();
        if (!error.empty()) return error;

        if (!exec("BEGIN IMMEDIATE")) return failure("cannot begin a transaction");
        if (withConfiguration) error = insertConfigRows();
        if (error.empty()) error = insertDataRows();
        if (error.empty() && !exec("COMMIT")) error = failure("cannot commit");
        if (!error.empty()) exec("ROLLBACK");
        return error;
    }

    void close() {
        configInsert_.reset();
        dataInsert_.reset();
        db_.reset();
    }

private:
    std::string failure(std::string_view what) const {
        std::string text(what);
        if (db_) {
            text += ": ";
            text += sqlite3_errmsg(db_.get());
        }
        return text;
    }

    bool exec(const char* sql) {
        return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    Statement prepare(const std::string& sql, std::string& error) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw,
                               nullptr) != SQLITE_OK) {
            error = failure("cannot prepare the insert");
        }
        return Statement(raw);
    }

    // Column names of a table by position; reading them is also the test that the
    // file is a database at all.
    std::string columnsOf(const char* table, std::vector<std::string>& names) {
        std::string error;
        const Statement s = prepare("PRAGMA table_info(" + sqlName(table) + ")", error);
        if (!error.empty()) return failure("not a database of the export's layout");
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
            const auto* name = sqlite3_column_text(s.get(), 1);
            names.emplace_back(name ? reinterpret_cast<const char*>(name) : "");
        }
        if (rc != SQLITE_DONE) return failure("not a database of the export's layout");
        if (names.empty()) return std::string("the table ") + table + " is missing";
        return {};
    }

    std::string prepareConfigInsert() {
        std::vector<std::string> names;
        if (std::string error = columnsOf(kConfigTable, names); !error.empty()) return error;
        std::string sql = std::string("INSERT INTO ") + sqlName(kConfigTable) + " (";
        std::string placeholders;
        for (const char* column : kConfigColumns) {
            if (!placeholders.empty()) {
                sql += ',';
                placeholders += ',';
            }
            sql += sqlName(column);
            placeholders += '?';
        }
        sql += ") VALUES (" + placeholders + ")";
        std::string error;
        configInsert_ = prepare(sql, error);
        return error;
    }

    // The data insert names "所属器件地址", "记录时间" and the value column of every
    // channel's input, found by position. Should two fields fall on one column, the
    // later one is written, as field-by-field assignment would leave it.
    std::string prepareDataInsert() {
        std::vector<std::string> names;
        if (std::string error = columnsOf(kDataTable, names); !error.empty()) return error;

        constexpr int kAddress = -2;
        constexpr int kTime = -1;
        std::vector<std::pair<std::string, int>> columns;  // name, source
        const auto assign = [&columns](const std::string& name, int from) {
            for (auto& column : columns) {
                if (column.first == name) {
                    column.second = from;
                    return;
                }
            }
            columns.emplace_back(name, from);
        };
        assign("所属器件地址", kAddress);
        assign("记录时间", kTime);
        for (std::size_t i = 0; i < source_.channels.size(); ++i) {
            const int code = source_.channels[i].channel;
            if (code < 0 || code >= kInputs)
                return "channel code " + std::to_string(code) + " is no logger input (0 to 7)";
            const auto position = static_cast<std::size_t>(code + kFirstValuePosition);
            if (position >= names.size())
                return std::string("the table ") + kDataTable + " has no column at position " +
                       std::to_string(position);
            assign(names[position], static_cast<int>(i));
        }

        std::string sql = std::string("INSERT INTO ") + sqlName(kDataTable) + " (";
        std::string placeholders;
        dataSources_.clear();
        for (const auto& [name, from] : columns) {
            if (!placeholders.empty()) {
                sql += ',';
                placeholders += ',';
            }
            sql += sqlName(name);
            placeholders += '?';
            dataSources_.push_back(from);
        }
        sql += ") VALUES (" + placeholders + ")";
        std::string error;
        dataInsert_ = prepare(sql, error);
        return error;
    }

    std::string step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return rc == SQLITE_DONE ? std::string() : failure("cannot add a row");
    }

    std::string insertConfigRows() {
        sqlite3_stmt* s = configInsert_.get();
        const auto count = static_cast<int>(source_.channels.size());
        int position = 0;
        for (const ChannelRecord& c : source_.channels) {
            ++position;
            int k = 0;
            sqlite3_bind_int(s, ++k, 1);
            sqlite3_bind_int(s, ++k, count);
            sqlite3_bind_int(s, ++k, exportedChannelNumber(c, position, source_.origin));
            sqlite3_bind_double(s, ++k, storedSingle(c.maxValue));
            sqlite3_bind_double(s, ++k, storedSingle(c.minValue));
            sqlite3_bind_double(s, ++k, storedSingle(c.meanValue));
            sqlite3_bind_text(s, ++k, c.typeText.data(), static_cast<int>(c.typeText.size()),
                              SQLITE_STATIC);
            sqlite3_bind_text(s, ++k, c.unitText.data(), static_cast<int>(c.unitText.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(s, ++k, static_cast<sqlite3_int64>(c.color));
            sqlite3_bind_int(s, ++k, c.rangeHigh);
            sqlite3_bind_int(s, ++k, c.rangeLow);
            // Document-wide fields come from the first channel.
            sqlite3_bind_double(s, ++k, first_.startTime);
            sqlite3_bind_text(s, ++k, first_.userName.data(),
                              static_cast<int>(first_.userName.size()), SQLITE_STATIC);
            sqlite3_bind_text(s, ++k, first_.title.data(), static_cast<int>(first_.title.size()),
                              SQLITE_STATIC);
            sqlite3_bind_double(s, ++k, first_.stopTime);
            if (std::string error = step(s); !error.empty()) return error;
        }
        return {};
    }

    std::string insertDataRows() {
        sqlite3_stmt* s = dataInsert_.get();
        const std::int32_t n = exportedRecordCount(source_.channels);
        for (std::int32_t j = 0; j < n; ++j) {
            const auto row = static_cast<std::size_t>(j);
            for (std::size_t k = 0; k < dataSources_.size(); ++k) {
                const int index = static_cast<int>(k) + 1;
                const int from = dataSources_[k];
                if (from == -2) {
                    sqlite3_bind_int(s, index, first_.deviceAddress);
                } else if (from == -1) {
                    if (row < first_.times.size()) sqlite3_bind_double(s, index, first_.times[row]);
                } else {
                    const auto& values = source_.channels[static_cast<std::size_t>(from)].values;
                    if (row < values.size())
                        sqlite3_bind_double(s, index, storedSingle(values[row]));
                }
            }
            if (std::string error = step(s); !error.empty()) return error;
        }
        return {};
    }

    const ExportSource& source_;
    ChannelRecord first_;  // document-wide fields; a default record without channels
    DatabaseHandle db_;
    Statement configInsert_;
    Statement dataInsert_;
    std::vector<int> dataSources_;  // per placeholder: -2 address, -1 time, else channel
};

// Copies the template to `path`; never replaces an existing file.
std::string copyTemplate(const std::filesystem::path& templatePath,
                         const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::copy_file(templatePath, path, std::filesystem::copy_options::none, ec))
        return "cannot copy the template " + pathText(templatePath) + ": " + ec.message();
    return {};
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// Opens `path` (copying the template first when `copyFrom` is given), writes and
// closes. A copy this command made is removed again when the write fails.
std::string writeDatabase(const ExportSource& source, const std::filesystem::path& path,
                          const std::optional<std::filesystem::path>& copyFrom,
                          bool withConfiguration) {
    if (copyFrom) {
        if (std::string error = copyTemplate(*copyFrom, path); !error.empty()) return error;
    }
    DatabaseWriter writer(source);
    std::string error = writer.open(path);
    if (error.empty()) error = writer.write(withConfiguration);
    writer.close();
    if (!error.empty() && copyFrom) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    return error.empty() ? error : pathText(path) + ": " + error;
}

DatabaseResult failed(std::string reason, std::optional<Message> message,
                      std::filesystem::path path) {
    DatabaseResult result;
    result.reason = std::move(reason);
    result.message = std::move(message);
    result.path = std::move(path);
    return result;
}

DatabaseResult missingTemplate(const TemplateLocator& templates, std::filesystem::path path) {
    const std::filesystem::path expected = templates.expectedPath();
    return failed("the template database " + pathText(expected) + " is missing",
                  missingTemplateMessage(expected), std::move(path));
}

}  // namespace

Message missingTemplateMessage(const std::filesystem::path& templatePath) {
    return Message{"默认文件不存在，请检查" + pathText(templatePath) + "是否存在。", "错误！",
                   MessageIcon::Warning, MessageButtons::Ok};
}

DatabaseResult exportDatabase(const ExportSource& source, const std::filesystem::path& path,
                              const TemplateLocator& templates) {
    // The template is required even when the database exists already.
    const auto templatePath = templates.find();
    if (!templatePath) return missingTemplate(templates, path);

    const auto copyFrom = fileExists(path) ? std::nullopt : templatePath;
    if (std::string error = writeDatabase(source, path, copyFrom, true); !error.empty())
        return failed(std::move(error), std::nullopt, path);
    DatabaseResult result;
    result.ok = true;
    result.path = path;
    return result;
}

DatabaseResult appendDatabase(const ExportSource& source, const std::string& name,
                              const TemplateLocator& templates) {
    const Message invalid{kInvalidDatabaseNameMessage, "", MessageIcon::None, MessageButtons::Ok};
    if (name.empty()) return failed("no file name", invalid, {});

    std::string fullName = name;
    if (fileKind(pathFromText(name)) != "mdb") fullName += ".mdb";
    const std::filesystem::path path = pathFromText(fullName);

    std::optional<std::filesystem::path> copyFrom;
    if (!fileExists(path)) {
        copyFrom = templates.find();
        if (!copyFrom) return missingTemplate(templates, path);
    }
    if (std::string error = writeDatabase(source, path, copyFrom, false); !error.empty())
        return failed(std::move(error), invalid, path);
    DatabaseResult result;
    result.ok = true;
    result.path = path;
    return result;
}

DatabaseResult exportDatabase(HistoryDocument& document, const std::filesystem::path& path,
                              const TemplateLocator& templates) {
    prepareForWriting(document);
    return exportDatabase(ExportSource{document.channels, ExportOrigin::History}, path, templates);
}

}  // namespace tarvo
