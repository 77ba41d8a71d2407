#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "files/database_export.h"
#include "server/server_test_support.h"

namespace tarvo {
namespace {

using testing::Pg;
using testing::SqlRow;

const std::filesystem::path kTemplate =
    std::filesystem::path(TARVO_BINARY_DIR) / "bin" / "FileMode" / "default.mdb";
const DateTime kStart = makeDateTime(2026, 3, 2, 6, 30, 0);
const DateTime kMinute = makeDuration(0, 1, 0);

// A history of the given inputs (0-based codes), `records` long: record j of input c
// holds 10·c + j + 0.4, taken a minute apart.
std::vector<ChannelRecord> recording(std::vector<std::int16_t> codes, int records,
                                     std::int16_t address = 17) {
    std::vector<ChannelRecord> channels;
    for (const std::int16_t code : codes) {
        ChannelRecord c;
        c.channel = code;
        for (int j = 1; j <= records; ++j) {
            c.values.push_back(static_cast<float>(10 * code + j) + 0.4f);
            c.times.push_back(kStart + (j - 1) * kMinute);
        }
        c.deviceAddress = address;
        c.typeText = "温度      ";
        c.unitText = "℃         ";
        c.startTime = kStart;
        c.stopTime = kStart + 1;
        channels.push_back(c);
    }
    return channels;
}

// The data rows of an .mdb file, positions 1..10, as the server prints them.
std::vector<SqlRow> fileRows(const std::filesystem::path& path) {
    std::vector<SqlRow> out;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM \"数据记录表\" ORDER BY 3", -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
        SqlRow row;
        for (int k = 1; k <= 10; ++k) {
            if (sqlite3_column_type(s, k) == SQLITE_NULL) {
                row.emplace_back();
            } else {
                // Every digit of the double: SQLite's own text keeps only fifteen.
                char text[32];
                const auto end =
                    std::to_chars(text, text + sizeof text, sqlite3_column_double(s, k));
                row.emplace_back(std::string(text, end.ptr));
            }
        }
        out.push_back(std::move(row));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

// Cells compared as numbers where both are numbers (the two back-ends print a value
// differently, "17" against "17.0"), else as texts.
void expectSameRows(const std::vector<SqlRow>& server, const std::vector<SqlRow>& file) {
    ASSERT_EQ(server.size(), file.size());
    for (std::size_t i = 0; i < server.size(); ++i) {
        ASSERT_EQ(server[i].size(), file[i].size()) << "row " << i;
        for (std::size_t k = 0; k < server[i].size(); ++k) {
            ASSERT_EQ(server[i][k].has_value(), file[i][k].has_value()) << i << "," << k;
            if (server[i][k]) {
                EXPECT_EQ(std::stod(*server[i][k]), std::stod(*file[i][k])) << i << "," << k;
            }
        }
    }
}

class ServerAppend : public testing::ServerTest {
  protected:
    DatabaseResult append(const std::vector<ChannelRecord>& channels, const std::string& line,
                          const std::string& user = "tarvo") {
        return appendDatabase(ExportSource{channels, ExportOrigin::History},
                              SaveTarget::server(uri(user)), templates_, line);
    }

    TemplateLocator templates_{kTemplate};
};

TEST_F(ServerAppend, RowsReadBackAsTheDatabaseFileHoldsThemWithTheLineAfterThem) {
    const auto channels = recording({1, 4}, 10);  // inputs 2 and 5
    const DatabaseResult r = append(channels, "冷库一号:COM3");
    ASSERT_TRUE(r) << r.reason;
    EXPECT_EQ(r.newRows, 10);
    EXPECT_EQ(r.targetText, uri("tarvo"));

    Pg pg(uri("tarvo"));
    // The template's columns in the template's positions, then the line.
    const auto columns = pg.rows(
        "SELECT attname FROM pg_attribute WHERE attrelid = '\"数据记录表\"'::regclass "
        "AND attnum > 0 ORDER BY attnum");
    const std::vector<std::string> expected = {"编号",  "所属器件地址", "记录时间", "输入1",
                                               "输入2", "输入3",        "输入4",    "输入5",
                                               "输入6", "输入7",        "输入8",    "线路"};
    ASSERT_EQ(columns.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(*columns[i][0], expected[i]);
    EXPECT_EQ(pg.count("仪器配置表"), 0);  // the append writes data rows only

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / (database_ + ".mdb");
    std::filesystem::remove(file);
    ASSERT_TRUE(appendDatabase(ExportSource{channels, ExportOrigin::History},
                               SaveTarget::file(file), templates_));
    std::vector<SqlRow> server;
    for (SqlRow row : pg.rows("SELECT * FROM \"数据记录表\" ORDER BY 3")) {
        EXPECT_EQ(row.back(), "冷库一号:COM3");
        server.emplace_back(row.begin() + 1, row.begin() + 11);
    }
    expectSameRows(server, fileRows(file));
    std::filesystem::remove(file);
    EXPECT_EQ(*server[0][3], "11.4");  // input 2 of record 1, a single as its decimal
    EXPECT_FALSE(server[0][2]);        // input 1 is not recorded
}

TEST_F(ServerAppend, AppendingAgainAddsOnlyWhatTheServerLacksOnThatLine) {
    ASSERT_TRUE(append(recording({0, 1}, 10), "A"));
    struct Case {
        const char* what;
        std::vector<ChannelRecord> channels;
        const char* line;
        long long added;
        long long total;
    };
    const Case cases[] = {
        {"the same recording", recording({0, 1}, 10), "A", 0, 10},
        {"the recording grown by five", recording({0, 1}, 15), "A", 5, 15},
        {"another logger address", recording({0, 1}, 10, 18), "A", 10, 25},
        {"the same logger on another line", recording({0, 1}, 10), "B", 10, 35},
    };
    Pg pg(uri("tarvo"));
    for (const Case& c : cases) {
        const DatabaseResult r = append(c.channels, c.line);
        ASSERT_TRUE(r) << c.what << ": " << r.reason;
        EXPECT_EQ(r.newRows, c.added) << c.what;
        EXPECT_EQ(pg.count("数据记录表"), c.total) << c.what;
    }
}

TEST_F(ServerAppend, ARowTheServerRefusesLeavesNoneOfTheAppend) {
    ASSERT_TRUE(append(recording({0}, 3), "A"));
    Pg pg(uri("tarvo"));
    // The ninth record of the next append breaks a rule of the table.
    pg.exec("ALTER TABLE \"数据记录表\" ADD CHECK (\"输入1\" < 8.5)");

    const DatabaseResult r = append(recording({0}, 10), "B");
    EXPECT_FALSE(r);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, kInvalidDatabaseNameMessage);
    EXPECT_EQ(pg.count("数据记录表"), 3);
}

TEST_F(ServerAppend, ATableOfAnotherLayoutIsRefusedAsAFileOfTheWrongLayoutIs) {
    Pg pg(uri("tarvo"));
    pg.exec("CREATE TABLE \"数据记录表\" (\"所属器件地址\" integer, \"记录时间\" float8)");
    const DatabaseResult r = append(recording({0}, 3), "A");
    EXPECT_FALSE(r);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, kInvalidDatabaseNameMessage);
    EXPECT_EQ(pg.count("数据记录表"), 0);
}

TEST_F(ServerAppend, ThePasswordComesFromTheUriOrTheEnvironmentAndAWrongOneIsRefused) {
    const DatabaseResult fromUri = append(recording({0}, 2), "A", "loader:secret");
    EXPECT_TRUE(fromUri) << fromUri.reason;
    EXPECT_EQ(fromUri.targetText, uri("loader"));  // never shown with its password

    ::setenv("PGPASSWORD", "secret", 1);
    const DatabaseResult fromEnvironment = append(recording({0}, 4), "A", "loader");
    ::unsetenv("PGPASSWORD");
    EXPECT_TRUE(fromEnvironment) << fromEnvironment.reason;
    EXPECT_EQ(fromEnvironment.newRows, 2);

    for (const char* user : {"loader:wrong", "loader", "nobody:secret"}) {
        const DatabaseResult refused = append(recording({0}, 6), "A", user);
        EXPECT_FALSE(refused) << user;
        ASSERT_TRUE(refused.message) << user;
        EXPECT_EQ(refused.message->text, kServerLoginRefusedMessage) << user;
        EXPECT_EQ(refused.message->icon, MessageIcon::Warning);
    }
    EXPECT_EQ(Pg(uri("tarvo")).count("数据记录表"), 4);
}

TEST_F(ServerAppend, AServerThatIsNotRunningIsReportedUnreachable) {
    const std::string nowhere = "postgresql://tarvo:secret@/x?host=" + socketDir_ + "/none";
    const DatabaseResult r = appendDatabase(ExportSource{recording({0}, 2), ExportOrigin::History},
                                            nowhere, templates_, "A");
    EXPECT_FALSE(r);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, std::string(kServerUnreachablePrefix) +
                                   "postgresql://tarvo@/x?host=" + socketDir_ + "/none" +
                                   kServerUnreachableSuffix);
    EXPECT_EQ(r.reason.find("secret"), std::string::npos);
}

}  // namespace
}  // namespace tarvo
