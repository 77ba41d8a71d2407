// The document commands over the workstation: the open flow with several files and
// files already open, the save choice, SaveAs and its caption, the database append,
// and the question before an unsaved window closes. Dialogs are scripted.

#include "workstation/document_flows.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <bit>
#include <cstdint>
#include <deque>
#include <fstream>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/gbk.h"
#include "core/memory_settings_store.h"
#include "files/file_names.h"
#include "files/logger_data_file.h"
#include "files/scratch_folder.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "workstation/document_commands.h"
#include "workstation/orx_fixture.h"
#include "workstation/workstation.h"

namespace tarvo {
namespace {

const std::filesystem::path kTemplate =
    std::filesystem::path(TARVO_BINARY_DIR) / "bin" / "FileMode" / "default.mdb";

class ScriptedDialogs : public DocumentDialogs {
  public:
    std::optional<SaveType> choice = SaveType::File;
    std::deque<std::optional<std::string>> names;  // answers to the file dialogs
    int choicesAsked = 0;
    std::vector<FileDialogRequest> requests;

    std::optional<SaveType> chooseSaveType() override {
        ++choicesAsked;
        return choice;
    }
    std::optional<std::string> askFileName(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (names.empty()) return std::nullopt;
        auto name = names.front();
        names.pop_front();
        return name;
    }
};

class DocumentFlowsTest : public ::testing::Test {
  protected:
    DocumentFlowsTest() {
        ws.setTemplates(TemplateLocator(kTemplate));
        ws.startUp({});
        messenger.shown.clear();
    }

    std::filesystem::path fixture(const std::string& name) {
        const auto path = folder / name;
        EXPECT_TRUE(test::writeFixtureLoggerFile(path));
        return path;
    }
    const HistoryDocument& doc(int i) { return *ws.document(i); }
    std::string text(const std::filesystem::path& p) { return pathText(p); }

    VirtualTimers timers{makeDateTime(2024, 3, 5, 10, 0, 0)};
    test::ScriptedPort port{timers};
    test::RecordingMessenger messenger;
    MemorySettingsStore store;
    Workstation ws{timers, port, messenger, store};
    testing::ScratchFolder folder;
    ScriptedDialogs dialogs;
};

// ---- the open dialog's answer ---------------------------------------------------

TEST(OpenDialogResult, SplitsAtNulIntoFolderAndNamesAndRefusesASingleNul) {
    using namespace std::string_literals;
    struct Case {
        std::string returned;
        std::vector<std::filesystem::path> paths;
        bool malformed;
    };
    const std::vector<Case> cases = {
        {"", {}, false},
        {"/data/一号.orx", {"/data/一号.orx"}, false},
        {"/data\0a.orx"s, {}, true},
        {"/data\0a.orx\0b.orx"s, {"/data/a.orx", "/data/b.orx"}, false},
        {"/data\0a.orx\0b.orx\0"s, {"/data/a.orx", "/data/b.orx"}, false},
    };
    for (const Case& c : cases) {
        const OpenSelection s = splitOpenDialogResult(c.returned);
        EXPECT_EQ(s.malformed, c.malformed) << c.returned;
        ASSERT_EQ(s.paths.size(), c.paths.size()) << c.returned;
        for (std::size_t i = 0; i < c.paths.size(); ++i)
            EXPECT_EQ(pathText(s.paths[i]), pathText(c.paths[i]));
    }
}

TEST_F(DocumentFlowsTest, ASingleNulIsReportedAndOpensNothing) {
    using namespace std::string_literals;
    const auto result = openDialogResult(ws, text(folder.path()) + "\0a.orx"s);
    EXPECT_TRUE(result.opened.empty());
    EXPECT_TRUE(ws.documents().empty());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "输入文件路径有误！");
    EXPECT_EQ(messenger.shown[0].title, "打开错误");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
}

// ---- the open flow ---------------------------------------------------------------

TEST_F(DocumentFlowsTest, ThreeFilesOpenInOrderAndTheOneAlreadyOpenAnsweredNoKeepsItsContent) {
    const auto a = fixture("a.orx");
    const auto b = fixture("b.orx");
    const auto c = fixture("c.orx");
    ASSERT_EQ(ws.openDocument(b), 0);
    ws.document(0)->channels[0].values[0] = -5;  // what the window shows now
    messenger.answers = {Answer::No};

    using namespace std::string_literals;
    const auto result = openDialogResult(ws, text(folder.path()) + "\0a.orx\0b.orx\0c.orx"s);

    EXPECT_EQ(result.opened, (std::vector<int>{1, 2}));
    EXPECT_TRUE(result.reloaded.empty());
    ASSERT_EQ(ws.documents().size(), 3u);
    EXPECT_EQ(doc(1).fileName, text(a));
    EXPECT_EQ(doc(2).fileName, text(c));
    EXPECT_EQ(doc(0).channels[0].values[0], -5);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "文件已打开，是否重新打开？");
    EXPECT_EQ(messenger.shown[0].title, "打开");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
}

TEST_F(DocumentFlowsTest, AnsweredYesTheFileIsReadAgainIntoTheSameWindow) {
    const auto a = fixture("a.orx");
    ASSERT_EQ(ws.openDocument(a), 0);
    const HistoryWindow* window = ws.documents()[0].get();
    ws.document(0)->channels[0].values[0] = -5;
    ws.document(0)->caption = "改过";
    messenger.answers = {Answer::Yes};

    const auto result = openFiles(ws, {a});

    EXPECT_TRUE(result.opened.empty());
    EXPECT_EQ(result.reloaded, std::vector<int>{0});
    ASSERT_EQ(ws.documents().size(), 1u);
    EXPECT_EQ(ws.documents()[0].get(), window);
    EXPECT_EQ(doc(0).channels[0].values[0], 20);
    EXPECT_EQ(doc(0).caption, "记录仪文件:" + text(a));
    EXPECT_TRUE(doc(0).saved);
}

TEST_F(DocumentFlowsTest, AFileOpenedByARelativeNameIsKnownAgainUnderItsFullPathAndThroughALink) {
    const auto a = fixture("a.orx");
    std::filesystem::create_symlink(a, folder / "link.orx");
    // As from the command line: a name relative to the working folder.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const auto opened = ws.openDocument("./a.orx");
    std::filesystem::current_path(before);
    ASSERT_EQ(opened, 0);
    EXPECT_EQ(doc(0).caption, "记录仪文件:" + text(a));

    messenger.answers = {Answer::No, Answer::No};
    const auto result = openFiles(ws, {a, folder / "link.orx"});

    EXPECT_TRUE(result.opened.empty());
    EXPECT_EQ(ws.documents().size(), 1u);
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, "文件已打开，是否重新打开？");
}

TEST_F(DocumentFlowsTest, AFileThatFailsOnReadingAgainLeavesTheWindowAsItWas) {
    const auto a = fixture("a.orx");
    ASSERT_EQ(ws.openDocument(a), 0);
    ws.document(0)->channels[0].values[0] = -5;
    testing::writeBytes(a, Bytes{1, 2, 3});
    messenger.answers = {Answer::Yes};

    const auto result = openFiles(ws, {a});

    EXPECT_TRUE(result.reloaded.empty());
    EXPECT_EQ(doc(0).channels[0].values[0], -5);
    EXPECT_EQ(doc(0).sampleCount(), test::kFixtureRecords);
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, "您打开的文件格式无效。");
}

TEST_F(DocumentFlowsTest, APathDifferingOnlyInLetterCaseIsAnotherFile) {
    const auto lower = fixture("rec.orx");
    const auto upper = fixture("REC.orx");
    ASSERT_EQ(ws.openDocument(lower), 0);

    const auto result = openFiles(ws, {upper});

    EXPECT_EQ(result.opened, std::vector<int>{1});
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_EQ(doc(1).fileName, text(upper));
}

TEST_F(DocumentFlowsTest, AnOpenedFileHoldsTheStatisticsOfItsHomeViewNotThoseStored) {
    // The fixture stores 0 for every statistic; its first channel holds 20..29.
    HistoryDocument read;
    ASSERT_TRUE(openDocumentFile(read, fixture("a.orx"), kDefaultPlotWidthTwips));
    EXPECT_EQ(read.channels.at(0).maxValue, 29.0f);
    EXPECT_EQ(read.channels.at(0).minValue, 20.0f);
    EXPECT_FLOAT_EQ(read.channels.at(0).meanValue, 24.5f);
    EXPECT_EQ(read.channels.at(1).maxValue, 59.0f);
}

TEST_F(DocumentFlowsTest, ARefusedFileOpensNoWindowAndTheOthersStillOpen) {
    const auto bad = folder / "bad.orx";
    testing::writeBytes(bad, Bytes{0, 1});
    const auto good = fixture("good.orx");

    const auto result = openFiles(ws, {bad, good});

    EXPECT_EQ(result.opened, std::vector<int>{0});
    ASSERT_EQ(ws.documents().size(), 1u);
    EXPECT_EQ(doc(0).fileName, text(good));
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"您打开的文件格式无效。"});
    EXPECT_TRUE(ws.commandStates().enabled(Command::FileSaveAs));
}

// ---- SaveAs and the save choice --------------------------------------------------

TEST_F(DocumentFlowsTest, SaveAsOffersTheFiveKindsInTheFilePathFolderWithTheName1) {
    store.write("ProgramSetting", "FilePath", text(folder.path()));
    ws.startUp({});
    ASSERT_EQ(ws.openDocument(fixture("a.orx")), 0);

    EXPECT_FALSE(saveHistoryWindowAs(ws, 0, dialogs));  // cancelled

    ASSERT_EQ(dialogs.requests.size(), 1u);
    const FileDialogRequest& r = dialogs.requests[0];
    EXPECT_EQ(r.title, "保存为...");
    EXPECT_EQ(r.filter,
              "记录仪文件(*.orx)|*.orx|Access文件(*.mdb)|*.mdb|Excel文件(*.csv)|*.csv|"
              "Word文件(*doc)|*.doc|文本文件(*.txt)|*.txt");
    EXPECT_EQ(r.folder, text(folder.path()));
    EXPECT_EQ(r.proposedName, "1");
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_TRUE(r.promptCreate);
    EXPECT_FALSE(doc(0).fileName.empty());
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(DocumentFlowsTest, SavingUnderCsvCaptionsTheWindowWithTheFullPath) {
    ASSERT_EQ(ws.openDocument(fixture("a.orx")), 0);
    ws.setActiveChild({ChildKind::History, 0});
    const auto csv = folder / "导出.csv";
    dialogs.names = {text(csv)};

    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::HistorySaved);

    EXPECT_EQ(dialogs.choicesAsked, 1);
    EXPECT_TRUE(std::filesystem::exists(csv));
    EXPECT_EQ(doc(0).caption, "记录仪文件:" + text(csv));
    EXPECT_EQ(doc(0).fileName, text(csv));
    EXPECT_TRUE(doc(0).saved);
}

TEST_F(DocumentFlowsTest, ChoosingTheDatabaseAppendsThroughItsOwnDialogAndKeepsTheCaption) {
    ASSERT_EQ(ws.openDocument(fixture("a.orx")), 0);
    ws.setActiveChild({ChildKind::History, 0});
    const std::string caption = doc(0).caption;
    dialogs.choice = SaveType::Database;
    dialogs.names = {text(folder / "库")};

    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::HistoryAppended);

    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, "请输入数据文件路径...");
    EXPECT_EQ(dialogs.requests[0].filter, "Access文件(*.mdb)|*.mdb");
    EXPECT_TRUE(dialogs.requests[0].promptCreate);
    EXPECT_TRUE(std::filesystem::exists(folder / "库.mdb"));
    EXPECT_EQ(doc(0).caption, caption);
}

TEST_F(DocumentFlowsTest, CancelInTheSaveChoiceShowsNoFileDialog) {
    ASSERT_EQ(ws.openDocument(fixture("a.orx")), 0);
    ws.setActiveChild({ChildKind::History, 0});
    dialogs.choice = std::nullopt;

    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::Cancelled);
    EXPECT_TRUE(dialogs.requests.empty());
}

TEST_F(DocumentFlowsTest, WithNoActiveWindowTheChoiceLeadsNowhere) {
    dialogs.choice = SaveType::Database;
    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::NoWindow);
    EXPECT_TRUE(dialogs.requests.empty());
}

TEST(CreatePrompt, IsAskedOnlyForAMissingFileWhenTheDialogWantsIt) {
    testing::ScratchFolder folder;
    const auto existing = folder / "有.orx";
    testing::writeBytes(existing, Bytes{1});
    const std::string missing = pathText(folder / "无.orx");

    FileDialogRequest quiet = historySaveDialog("");
    quiet.promptCreate = false;
    EXPECT_FALSE(createPrompt(quiet, missing));
    EXPECT_FALSE(createPrompt(historySaveDialog(""), pathText(existing)));

    const auto question = createPrompt(historySaveDialog(""), missing);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text, missing + "\n该文件不存在。\n要创建该文件吗？");
    EXPECT_EQ(question->title, "保存为...");
    EXPECT_EQ(question->icon, MessageIcon::Question);
    EXPECT_EQ(question->buttons, MessageButtons::YesNo);
    EXPECT_TRUE(createPrompt(historyDatabaseDialog(), missing));
    EXPECT_FALSE(createPrompt(liveDatabaseDialog(), missing));  // only existing files there
}

// ---- the live-curve window's save -------------------------------------------------

// A live answer: 3C 30 31 FF 39 n, one single per value least significant byte first, 66.
Bytes liveAnswer(const std::vector<float>& values) {
    Bytes b{0x3C, 0x30, 0x31, 0xFF, 0x39, static_cast<std::uint8_t>(values.size())};
    for (float v : values) {
        const auto bits = std::bit_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    b.push_back(0x66);
    return b;
}

class LiveSaveTest : public DocumentFlowsTest {
  protected:
    LiveSaveTest() {
        LoggerParameters& p = ws.loggerParams();
        p.startedChannels = 0b110;  // inputs 2 and 3
        p.channelType[1] = 1;
        p.channelUnit[1] = 1;
        p.channelType[2] = 2;
        p.channelUnit[2] = 2;
        p.rangeLow[1] = -40;
        p.rangeHigh[1] = 100;
        p.rangeHigh[2] = 100;
        p.userName = "张三";
        p.title = "冷库";
        p.echoedAddress = 7;
        p.firmwareYear = 2010;
        p.firmwareMonth = 1;
        p.firmwareDay = 1;
        EXPECT_TRUE(ws.liveDocument().reSetRealSetting(p));
        for (int i = 0; i < kSamples; ++i) {
            ws.liveDocument().restoreRealData(liveAnswer({20.0f + i, 50.5f}),
                                              timers.now() + i / kSecondsPerDay);
        }
        ws.toggleLiveWindow();
    }

    static constexpr int kSamples = 3;
};

std::int64_t countRows(const std::filesystem::path& db, const char* table) {
    sqlite3* handle = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open_v2(pathText(db).c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        const std::string query = std::string("SELECT COUNT(*) FROM \"") + table + "\"";
        if (sqlite3_prepare_v2(handle, query.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(handle);
    return n;
}

std::string firstLine(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST_F(LiveSaveTest, SaveAsOffersTheFiveKindsWithoutFolderOrName) {
    ASSERT_EQ(ws.activeChild().kind, ChildKind::Live);
    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::NotSaved);  // the dialog cancelled

    ASSERT_EQ(dialogs.requests.size(), 1u);
    FileDialogRequest expected = historySaveDialog("");
    expected.proposedName.clear();
    EXPECT_EQ(dialogs.requests[0], expected);
    EXPECT_EQ(dialogs.requests[0], liveSaveDialog());
}

TEST_F(LiveSaveTest, SaveAsWritesTheBufferByTheNamesLastThreeCharacters) {
    // Each kind shows in its first line (or its header): the logger data file starts
    // with the channel indexes 1 and 2, the live comma-separated file with the title.
    const std::string orxHead{'\1', '\0', '\0', '\0', '\2', '\0', '\0', '\0', '\3', '\0', '\0', '\0'};
    struct Case {
        std::string name;
        std::string firstBytes;
    };
    const std::vector<Case> cases = {
        {"live.orx", orxHead},
        {"live", orxHead},
        {"live.csv", utf8ToGbk("标题：冷库") + "\r"},
        {"live.txt", utf8ToGbk("用户名：张三") + "\r"},
        {"live.doc", utf8ToGbk("用户名：张三") + "\r"},
    };
    for (const Case& c : cases) {
        const auto target = folder / c.name;
        dialogs.names = {text(target)};
        EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::LiveSaved) << c.name;
        EXPECT_EQ(firstLine(target).substr(0, c.firstBytes.size()), c.firstBytes) << c.name;
    }
    const ReadResult back = readLoggerDataFile(folder / "live.orx");
    ASSERT_TRUE(back);
    EXPECT_EQ(back.recordCount, kSamples);
    ASSERT_EQ(back.channels.size(), 2u);
    EXPECT_EQ(back.channels[0].channel, 1);
    EXPECT_EQ(back.channels[0].values.back(), 22.0f);
    EXPECT_EQ(back.channels[1].values.front(), 50.5f);
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(LiveSaveTest, SaveAsADatabaseAddsChannelAndRecordRows) {
    const auto db = folder / "实时.mdb";
    dialogs.names = {text(db)};
    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::LiveSaved);
    EXPECT_EQ(countRows(db, "仪器配置表"), 2);
    EXPECT_EQ(countRows(db, "数据记录表"), kSamples);
}

TEST_F(LiveSaveTest, AddToDataBaseAppendsRecordRowsToAnExistingDatabaseOnly) {
    const auto db = folder / "实时.mdb";
    std::filesystem::copy_file(kTemplate, db);
    dialogs.choice = SaveType::Database;
    dialogs.names = {text(db), text(db)};

    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::LiveAppended);
    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::LiveAppended);

    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].title, "请输入数据文件路径...");
    EXPECT_TRUE(dialogs.requests[0].mustExist);
    EXPECT_FALSE(dialogs.requests[0].promptCreate);
    EXPECT_EQ(countRows(db, "仪器配置表"), 0);
    EXPECT_EQ(countRows(db, "数据记录表"), 2 * kSamples);
}

TEST_F(LiveSaveTest, AFailedLiveSaveIsReported) {
    dialogs.names = {text(folder / "no such folder" / "x.csv")};
    EXPECT_EQ(saveFlow(ws, dialogs), SaveFlowOutcome::NotSaved);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_NE(messenger.shown[0].text.find("文件保存失败："), std::string::npos);
}

TEST_F(DocumentFlowsTest, AFailedSaveIsReportedAndKeepsNameAndCaption) {
    const auto a = fixture("a.orx");
    ASSERT_EQ(ws.openDocument(a), 0);
    dialogs.names = {text(folder / "no such folder" / "x.orx")};

    EXPECT_FALSE(saveHistoryWindowAs(ws, 0, dialogs));

    EXPECT_EQ(doc(0).fileName, text(a));
    EXPECT_EQ(doc(0).caption, "记录仪文件:" + text(a));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_NE(messenger.shown[0].text.find("文件保存失败："), std::string::npos);
}

// ---- closing an unsaved window ---------------------------------------------------

TEST_F(DocumentFlowsTest, ClosingAnUnsavedWindowAsksAndFollowsTheAnswer) {
    ASSERT_EQ(ws.openDocument(fixture("a.orx")), 0);
    ws.document(0)->saved = false;
    ws.document(0)->caption = "记录仪文件1";
    const auto saveTo = folder / "存.orx";

    struct Case {
        Answer answer;
        std::optional<std::string> name;  // the save dialog's answer after Yes
        bool mayClose;
    };
    const std::vector<Case> cases = {
        {Answer::Cancel, std::nullopt, false},
        {Answer::No, std::nullopt, true},
        {Answer::Yes, std::nullopt, false},  // the save was cancelled: nothing is lost
        {Answer::Yes, text(saveTo), true},
    };
    for (const Case& c : cases) {
        messenger.shown.clear();
        messenger.answers = {c.answer};
        dialogs.names = {c.name};
        EXPECT_EQ(historyWindowMayClose(ws, 0, dialogs), c.mayClose);
        ASSERT_EQ(messenger.shown.size(), 1u);
        EXPECT_EQ(messenger.shown[0].text, "文档[记录仪文件1]尚未保存，是否现在保存？");
        EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
    }
    EXPECT_TRUE(std::filesystem::exists(saveTo));
    EXPECT_TRUE(doc(0).saved);

    messenger.shown.clear();
    EXPECT_TRUE(historyWindowMayClose(ws, 0, dialogs));  // saved now: no question
    EXPECT_TRUE(messenger.shown.empty());
}

}  // namespace
}  // namespace tarvo
