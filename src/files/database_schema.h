#pragma once
// The two tables of the database export, defined once for both back-ends: the
// template database FileMode/default.mdb (SQLite) is built from sqliteSchemaScript(),
// and a PostgreSQL server gets serverTableDefinition() of each table on first use.
//
// The program addresses the columns of "仪器配置表" and the first two named columns of
// "数据记录表" by name, and the value columns of "数据记录表" by position: input k
// (1..8) at position k + 2. Dates are OLE day numbers (days since 1899-12-30, time of
// day in the fraction). On a server both tables carry one more column after these,
// "线路", naming the line the rows come from, since device addresses are unique on one
// line only; the data table is keyed on ("线路", "所属器件地址", "记录时间").

#include <span>
#include <string>
#include <string_view>

namespace tarvo {

enum class ColumnType {
    RowNumber,  // numbered by the database
    Int16,
    Int32,
    Single,
    Date,  // OLE day number
    Text,
};

struct ColumnDefinition {
    std::string_view name;
    ColumnType type;
    std::string_view comment;  // what the program writes there; may be empty
};

struct TableDefinition {
    std::string_view name;
    std::span<const ColumnDefinition> columns;
};

inline constexpr std::string_view kConfigTableName = "仪器配置表";
inline constexpr std::string_view kDataTableName = "数据记录表";
inline constexpr std::string_view kAddressColumn = "所属器件地址";
inline constexpr std::string_view kTimeColumn = "记录时间";
inline constexpr std::string_view kLineColumn = "线路";

// Input k (1..8) of a data row lies in the column at position k + 2 (channel code + 3).
inline constexpr int kFirstValuePosition = 3;
inline constexpr int kLoggerInputs = 8;

const TableDefinition& configTable();
const TableDefinition& dataTable();

// A name as an SQL identifier in double quotes (inner quotes doubled).
std::string quotedName(std::string_view name);

// The CREATE TABLE statements of the template database, with their comments.
std::string sqliteSchemaScript();

// CREATE TABLE of one table on a PostgreSQL server: the same columns in the same
// positions (dates as double precision), then "线路"; the data table's primary key.
std::string serverTableDefinition(const TableDefinition& table);

}  // namespace tarvo
