#include "files/database_export.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/date_time.h"
#include "files/file_size_limit.h"

namespace tarvo {
namespace {

const std::filesystem::path kTemplate =
    std::filesystem::path(TARVO_BINARY_DIR) / "bin" / "FileMode" / "default.mdb";
const DateTime kStart = makeDateTime(2007, 8, 28, 7, 4, 9);
const DateTime kMinute = makeDuration(0, 1, 0);

// A history document of the given inputs (0-based codes), `records` records long;
// the value of record j on input c is 10·c + j + 0.4.
std::vector<ChannelRecord> document(std::vector<std::int16_t> codes, int records,
                                    DateTime versionDate = makeDateTime(2006, 11, 27)) {
    std::vector<ChannelRecord> channels;
    for (const std::int16_t code : codes) {
        ChannelRecord c;
        c.channel = code;
        for (int j = 1; j <= records; ++j) {
            c.values.push_back(static_cast<float>(10 * code + j) + 0.4f);
            c.times.push_back(kStart + (j - 1) * kMinute);
        }
        c.maxValue = 23.4f;
        c.minValue = -1.5f;
        c.meanValue = 11.25f;
        c.typeText = "温度      ";  // padded to ten characters
        c.unitText = "℃         ";
        c.color = 0x00FF8040;
        c.rangeHigh = 100;
        c.rangeLow = -40;
        c.deviceAddress = 17;
        c.userName = "张三";
        c.title = "冷库一号";
        c.versionDate = versionDate;
        c.startTime = kStart;
        c.stopTime = kStart + 30;
        channels.push_back(c);
    }
    return channels;
}

using Cell = std::variant<std::monostate, long long, double, std::string>;

// Reads a database the way a user of the file would: plain SQL.
class Sql {
public:
    explicit Sql(const std::filesystem::path& path) {
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    }
    ~Sql() { sqlite3_close(db_); }
    Sql(const Sql&) = delete;
    Sql& operator=(const Sql&) = delete;

    std::vector<std::vector<Cell>> rows(const std::string& query) {
        std::vector<std::vector<Cell>> out;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, query.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_);
            return out;
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::vector<Cell> row;
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                switch (sqlite3_column_type(s, i)) {
                    case SQLITE_INTEGER:
                        row.emplace_back(static_cast<long long>(sqlite3_column_int64(s, i)));
                        break;
                    case SQLITE_FLOAT:
                        row.emplace_back(sqlite3_column_double(s, i));
                        break;
                    case SQLITE_TEXT:
                        row.emplace_back(
                            std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, i))));
                        break;
                    default:
                        row.emplace_back(std::monostate{});
                }
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(s);
        return out;
    }

    long long count(const std::string& table) {
        const auto r = rows("SELECT COUNT(*) FROM \"" + table + "\"");
        return r.empty() ? -1 : std::get<long long>(r[0][0]);
    }

private:
    sqlite3* db_ = nullptr;
};

class DatabaseExport : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tarvo-database-export-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ASSERT_TRUE(std::filesystem::is_regular_file(kTemplate)) << kTemplate;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string bytes(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::filesystem::path dir_;
    TemplateLocator templates_{kTemplate};
};

TEST_F(DatabaseExport, SavingTwiceIntoOneFileAddsTheRowsAgain) {
    const auto channels = document({0, 1, 2}, 10);
    const ExportSource source{channels, ExportOrigin::History};
    const auto path = dir_ / "history.mdb";

    ASSERT_TRUE(exportDatabase(source, path, templates_));
    {
        Sql sql(path);
        EXPECT_EQ(sql.count("仪器配置表"), 3);
        EXPECT_EQ(sql.count("数据记录表"), 10);
    }
    const DatabaseResult again = exportDatabase(source, path, templates_);
    ASSERT_TRUE(again) << again.reason;
    Sql sql(path);
    EXPECT_EQ(sql.count("仪器配置表"), 6);
    EXPECT_EQ(sql.count("数据记录表"), 20);
}

TEST_F(DatabaseExport, ConfigurationRowHoldsTheChannelAndTheDocumentFields) {
    const auto channels = document({3, 5}, 2);
    const auto path = dir_ / "config.mdb";
    ASSERT_TRUE(exportDatabase({channels, ExportOrigin::History}, path, templates_));
    Sql sql(path);
    const auto rows = sql.rows(
        "SELECT 通道最小, 通道最大, 通道, 最大值, 最小值, 平均值, 类型, 单位, 曲线颜色, "
        "曲线最大坐标, 曲线最小坐标, 启动时间, 用户名, 标题, 停止时间 FROM 仪器配置表 "
        "ORDER BY rowid");
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<Cell> expected = {1LL,   2LL,          2LL,          23.4,       -1.5,
                                        11.25, "温度      ", "℃         ", 0xFF8040LL, 100LL,
                                        -40LL, kStart,       "张三",       "冷库一号", kStart + 30};
    EXPECT_EQ(rows[1], expected);  // singles read back as their decimal text (23.4, not 23.39999…)
}

TEST_F(DatabaseExport, DataRowsFillOnlyTheValueColumnsOfTheRecordedInputs) {
    // Inputs 2 and 5 are codes 1 and 4: positions 4 and 7.
    const auto channels = document({1, 4}, 3);
    const auto path = dir_ / "inputs.mdb";
    ASSERT_TRUE(exportDatabase({channels, ExportOrigin::History}, path, templates_));
    Sql sql(path);
    const auto rows = sql.rows("SELECT * FROM 数据记录表 ORDER BY rowid");
    ASSERT_EQ(rows.size(), 3u);
    const double input2[] = {11.4, 12.4, 13.4};
    const double input5[] = {41.4, 42.4, 43.4};
    for (std::size_t j = 0; j < 3; ++j) {
        SCOPED_TRACE(j);
        const auto& row = rows[j];
        ASSERT_EQ(row.size(), 11u);
        EXPECT_EQ(row[1], Cell(17LL));
        EXPECT_EQ(row[2], Cell(kStart + static_cast<double>(j) * kMinute));
        for (std::size_t position = 3; position <= 10; ++position) {
            const Cell expected = position == 4   ? Cell(input2[j])
                                  : position == 7 ? Cell(input5[j])
                                                  : Cell();
            EXPECT_EQ(row[position], expected) << position;
        }
    }
}

TEST_F(DatabaseExport, ChannelNumberFollowsTheVersionDateAndTheWindowKind) {
    struct Case {
        DateTime version;
        ExportOrigin origin;
        std::vector<long long> numbers;
    };
    const Case cases[] = {
        {makeDateTime(2006, 11, 26), ExportOrigin::History, {0, 1, 4}},
        {makeDateTime(2006, 11, 27), ExportOrigin::History, {1, 2, 3}},
        {makeDateTime(2006, 11, 27), ExportOrigin::Live, {0, 1, 4}},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++k);
        const auto channels = document({0, 1, 4}, 1, c.version);
        const auto path = dir_ / ("numbers" + std::to_string(k) + ".mdb");
        ASSERT_TRUE(exportDatabase({channels, c.origin}, path, templates_));
        Sql sql(path);
        std::vector<long long> numbers;
        for (const auto& row : sql.rows("SELECT 通道 FROM 仪器配置表 ORDER BY rowid"))
            numbers.push_back(std::get<long long>(row[0]));
        EXPECT_EQ(numbers, c.numbers);
    }
}

TEST_F(DatabaseExport, MissingTemplateShowsItsMessageAndCreatesNoFile) {
    const auto channels = document({0}, 2);
    const ExportSource source{channels, ExportOrigin::History};
    const auto missing = dir_ / "FileMode" / "default.mdb";
    const TemplateLocator none(missing);

    const DatabaseResult saved = exportDatabase(source, dir_ / "new.mdb", none);
    EXPECT_FALSE(saved);
    ASSERT_TRUE(saved.message.has_value());
    EXPECT_EQ(saved.message->text, "默认文件不存在，请检查" + missing.string() + "是否存在。");
    EXPECT_EQ(saved.message->title, "错误！");
    EXPECT_EQ(saved.message->icon, MessageIcon::Warning);

    const DatabaseResult appended = appendDatabase(source, (dir_ / "other").string(), none);
    EXPECT_FALSE(appended);
    ASSERT_TRUE(appended.message.has_value());
    EXPECT_EQ(appended.message->text, saved.message->text);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(DatabaseExport, AppendAddsMdbUnlessTheNameEndsInMdbInAnyCase) {
    const auto channels = document({0, 1}, 4);
    const ExportSource source{channels, ExportOrigin::History};
    struct Case {
        std::string typed;
        std::string written;
    };
    const Case cases[] = {{"result", "result.mdb"},
                          {"RESULT.MDB", "RESULT.MDB"},
                          {"plainmdb", "plainmdb"},
                          {"notes.txt", "notes.txt.mdb"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const DatabaseResult r = appendDatabase(source, (dir_ / c.typed).string(), templates_);
        ASSERT_TRUE(r) << r.reason;
        EXPECT_EQ(r.path, dir_ / c.written);
        Sql sql(dir_ / c.written);
        EXPECT_EQ(sql.count("仪器配置表"), 0);  // data rows only
        EXPECT_EQ(sql.count("数据记录表"), 4);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "RESULT.MDB.mdb"));

    // Appending again to an existing database adds behind its rows.
    ASSERT_TRUE(appendDatabase(source, (dir_ / "result").string(), templates_));
    Sql sql(dir_ / "result.mdb");
    EXPECT_EQ(sql.count("数据记录表"), 8);
}

TEST_F(DatabaseExport, AppendRefusesAnEmptyNameAndAFileThatIsNoDatabase) {
    const auto channels = document({0}, 2);
    const ExportSource source{channels, ExportOrigin::History};

    const DatabaseResult empty = appendDatabase(source, "", templates_);
    EXPECT_FALSE(empty);
    ASSERT_TRUE(empty.message.has_value());
    EXPECT_EQ(empty.message->text, "您输入的文件格式无效。");
    EXPECT_EQ(empty.message->icon, MessageIcon::None);

    const auto path = dir_ / "notes.mdb";
    const std::string text(5000, 'x');
    std::ofstream(path, std::ios::binary) << text;
    const DatabaseResult r = appendDatabase(source, path.string(), templates_);
    EXPECT_FALSE(r);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->text, "您输入的文件格式无效。");
    EXPECT_EQ(bytes(path), text);
}

TEST_F(DatabaseExport, SaveIntoAFileThatIsNoDatabaseFailsSilentlyAndWritesNothing) {
    const auto channels = document({0}, 2);
    const auto path = dir_ / "notes.mdb";
    const std::string text = "SQLite format 3 is what this file only pretends to be";
    std::ofstream(path, std::ios::binary) << text;
    const DatabaseResult r = exportDatabase({channels, ExportOrigin::History}, path, templates_);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.message.has_value());  // save failures are not shown
    EXPECT_NE(r.reason.find("notes.mdb"), std::string::npos) << r.reason;
    EXPECT_EQ(bytes(path), text);
}

TEST_F(DatabaseExport, FailureMidWriteLeavesTheDatabaseAsItWas) {
    const auto channels = document({0, 2}, 10);
    const ExportSource source{channels, ExportOrigin::History};
    const auto path = dir_ / "guarded.mdb";
    ASSERT_TRUE(exportDatabase(source, path, templates_));
    {
        // A database that refuses the fifth row of a second save.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TRIGGER refuse BEFORE INSERT ON 数据记录表 "
                               "WHEN (SELECT COUNT(*) FROM 数据记录表) >= 14 "
                               "BEGIN SELECT RAISE(ABORT, 'disk says no'); END",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const std::string before = bytes(path);

    const DatabaseResult saved = exportDatabase(source, path, templates_);
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.reason.find("disk says no"), std::string::npos) << saved.reason;
    const DatabaseResult appended = appendDatabase(source, path.string(), templates_);
    EXPECT_FALSE(appended);
    ASSERT_TRUE(appended.message.has_value());
    EXPECT_EQ(appended.message->text, "您输入的文件格式无效。");

    EXPECT_EQ(bytes(path), before);
    Sql sql(path);
    EXPECT_EQ(sql.count("仪器配置表"), 2);
    EXPECT_EQ(sql.count("数据记录表"), 10);
}

TEST_F(DatabaseExport, ASaveIntoAMissingFolderNamesTheFolderNotTheTemplate) {
    const auto channels = document({0}, 2);
    const auto folder = dir_ / "missing-folder";
    const DatabaseResult r =
        exportDatabase({channels, ExportOrigin::History}, folder / "x.mdb", templates_);
    EXPECT_FALSE(r);
    EXPECT_NE(r.reason.find("no such folder " + folder.string()), std::string::npos) << r.reason;
    EXPECT_EQ(r.reason.find("template"), std::string::npos) << r.reason;
}

TEST_F(DatabaseExport, FailedSaveToANewNameLeavesNoCopyOfTheTemplate) {
    // Channel code 9 is no logger input: there is no value column for it.
    auto channels = document({0}, 2);
    channels[0].channel = 9;
    const auto path = dir_ / "fresh.mdb";
    const DatabaseResult r = exportDatabase({channels, ExportOrigin::History}, path, templates_);
    EXPECT_FALSE(r);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(DatabaseExport, FullDiskLeavesNoFileBehindAndTheNextSaveSucceeds) {
    // The disk fills up during the template copy, then during the rows.
    const auto channels = document({0, 1}, 2000);
    const ExportSource source{channels, ExportOrigin::History};
    for (const rlim_t limit : {rlim_t{0}, rlim_t{4096}, rlim_t{16384}}) {
        SCOPED_TRACE(limit);
        const auto path = dir_ / "full.mdb";
        DatabaseResult saved;
        DatabaseResult appended;
        {
            testing::FileSizeLimit full(limit);
            ASSERT_TRUE(full.active());
            saved = exportDatabase(source, path, templates_);
            appended = appendDatabase(source, (dir_ / "appended").string(), templates_);
        }
        EXPECT_FALSE(saved);
        EXPECT_FALSE(appended);
        EXPECT_TRUE(std::filesystem::is_empty(dir_)) << "left behind: "
            << std::filesystem::directory_iterator(dir_)->path();
        ASSERT_TRUE(exportDatabase(source, path, templates_)) << "a later save to that name";
        EXPECT_EQ(Sql(path).count("数据记录表"), 2000);
        std::filesystem::remove(path);
    }
}

TEST_F(DatabaseExport, DatabaseMissingATableIsRefused) {
    const auto path = dir_ / "partial.mdb";
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE 仪器配置表 (x)", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const auto channels = document({0}, 2);
    const DatabaseResult r = exportDatabase({channels, ExportOrigin::History}, path, templates_);
    EXPECT_FALSE(r);
    EXPECT_NE(r.reason.find("数据记录表"), std::string::npos) << r.reason;
}

TEST_F(DatabaseExport, ZoomedHistoryDocumentIsSavedWithWholeRecordStatistics) {
    HistoryDocument doc;
    doc.channels = document({0}, 4);  // values 1.4, 2.4, 3.4, 4.4
    doc.loaded = true;
    doc.view.viewStart = 2;
    doc.view.viewEnd = 3;
    const auto path = dir_ / "zoomed.mdb";
    ASSERT_TRUE(exportDatabase(doc, path, templates_));
    Sql sql(path);
    const auto rows = sql.rows("SELECT 最大值, 最小值 FROM 仪器配置表");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<Cell>{4.4, 1.4}));
}

TEST(TemplateLocator, FindsTheTemplateBuiltBesideTheProgram) {
    // The tests run from build/bin, where the build puts FileMode/default.mdb.
    const TemplateLocator locator;
    const auto found = locator.find();
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(std::filesystem::weakly_canonical(*found),
              std::filesystem::weakly_canonical(kTemplate));
    EXPECT_EQ(locator.expectedPath(), executableFolder() / "FileMode" / "default.mdb");
    ASSERT_EQ(locator.candidates().size(), 2u);
    EXPECT_EQ(locator.candidates()[1].filename(), "default.mdb");
    EXPECT_EQ(locator.candidates()[1].parent_path().parent_path().filename(), "tarvo");
}

TEST(TemplateLocator, OverrideIsTheOnlyPlaceLookedAt) {
    const TemplateLocator locator("/nonexistent/FileMode/default.mdb");
    EXPECT_FALSE(locator.find().has_value());
    EXPECT_EQ(locator.expectedPath(), "/nonexistent/FileMode/default.mdb");
}

}  // namespace
}  // namespace tarvo
