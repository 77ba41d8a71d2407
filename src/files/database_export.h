#pragma once
// The database export: a document written into a ".mdb" database file, here an
// SQLite 3 database. New files are copies of the template FileMode/default.mdb.
//
//   "仪器配置表"  one row per channel, columns by name: "通道最小", "通道最大", "通道",
//                 "最大值", "最小值", "平均值", "类型", "单位", "曲线颜色", "曲线最大坐标",
//                 "曲线最小坐标", "启动时间", "用户名", "标题", "停止时间"
//   "数据记录表"  one row per record: "所属器件地址" and "记录时间" by name, and the
//                 value of logger input k (1..8) in the column at position k + 2
//                 (channel code + 3, counting from 0); inputs the document does not
//                 record stay NULL
//
// Dates are OLE day numbers (REAL). Texts are UTF-8, as held (type and unit keep their
// padding). Singles are stored as the double nearest to their shortest decimal text,
// so 23.4f reads back as 23.4.
//
// Every command writes all its rows in one transaction: when anything fails the
// database is left exactly as it was. A new database is filled under a temporary
// name beside the target and renamed once complete, so a failure (a full disk among
// others) leaves no file of the final name behind.
//
// The append command may also name a PostgreSQL server (a "postgresql://" URI) in
// place of a file: the same tables and columns, created on first use, each row naming
// its line; a data row the server holds already is not added again.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/messenger.h"
#include "data/history_document.h"
#include "files/save_target.h"
#include "files/template_locator.h"
#include "files/text_export.h"

namespace tarvo {

inline constexpr const char* kInvalidDatabaseNameMessage = "您输入的文件格式无效。";
inline constexpr const char* kServerUnreachablePrefix = "无法连接数据库服务器";
inline constexpr const char* kServerUnreachableSuffix = "，请检查服务器地址及服务器是否运行。";
inline constexpr const char* kServerLoginRefusedMessage =
    "数据库服务器拒绝登录，请检查用户名和密码。";

// "默认文件不存在，请检查" + the template path + "是否存在。", title "错误！", warning icon.
Message missingTemplateMessage(const std::filesystem::path& templatePath);

struct DatabaseResult {
    bool ok = false;
    // What the operator is shown on failure; nothing when the command ends silently
    // (the save command does not report write failures).
    std::optional<Message> message;
    // Why it failed (path and database error), for the command line; empty on success.
    std::string reason;
    // The database file the command wrote to (the append command may add ".mdb");
    // empty for a server.
    std::filesystem::path path;
    // The file's path or the server's URI without its password, for the operator.
    std::string targetText;
    // Data rows the database did not hold before (every row for a file).
    std::int64_t newRows = 0;

    explicit operator bool() const { return ok; }
};

// The save command with a name ending in "mdb": the template must exist (else the
// template message); the template is copied to `path` unless a file of that name
// exists (an existing database is written into, nothing deleted); then one
// "仪器配置表" row per channel and one "数据记录表" row per record are added.
// A file that is not a database of this layout is a failure with no message.
DatabaseResult exportDatabase(const ExportSource& source, const std::filesystem::path& path,
                              const TemplateLocator& templates);

// The append command, given the name as the file dialog returned it or as typed. An
// empty name is refused with kInvalidDatabaseNameMessage. A name beginning with a
// PostgreSQL URI scheme names a server, else a file: ".mdb" is added unless the last
// three characters are "mdb" in any case. Then as the overload below.
DatabaseResult appendDatabase(const ExportSource& source, const std::string& name,
                              const TemplateLocator& templates, std::string_view line = {});

// The append of data rows only, to a file or a server. A missing file is first
// copied from the template (the template message when that is missing too). `line`
// names the rows' line on a server (empty: defaultLineName("")). A server that
// cannot be reached or refuses the login has messages of its own; any other failure
// shows kInvalidDatabaseNameMessage.
DatabaseResult appendDatabase(const ExportSource& source, const SaveTarget& target,
                              const TemplateLocator& templates, std::string_view line = {});

// The default line name: this machine's host name, then ":" and the serial port
// when one is given.
std::string defaultLineName(std::string_view port);

// The history window's save as ".mdb": the statistics are first brought to the whole
// record (prepareForWriting). Name, caption and saved flag are the save command's.
DatabaseResult exportDatabase(HistoryDocument& document, const std::filesystem::path& path,
                              const TemplateLocator& templates);

}  // namespace tarvo
