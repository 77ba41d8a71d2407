// "添加到服务器数据库" and "数据库服务器" over the workstation, against the test cluster.

#include <gtest/gtest.h>

#include "core/memory_settings_store.h"
#include "files/database_export.h"
#include "files/scratch_folder.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "server/server_test_support.h"
#include "workstation/orx_fixture.h"
#include "workstation/server_append.h"
#include "workstation/workstation.h"

namespace tarvo {
namespace {

using testing::Pg;

class ServerWindow : public testing::ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped()) return;
        ws.startUp({});
        messenger.shown.clear();
    }

    int openFixture() {
        const auto path = folder / "一号.orx";
        EXPECT_TRUE(test::writeFixtureLoggerFile(path));
        const auto index = ws.openDocument(path);
        EXPECT_TRUE(index);
        return index.value_or(-1);
    }

    VirtualTimers timers{makeDateTime(2024, 3, 5, 10, 0, 0)};
    test::ScriptedPort port{timers};
    test::RecordingMessenger messenger;
    MemorySettingsStore store;
    Workstation ws{timers, port, messenger, store};
    testing::ScratchFolder folder;
};

TEST_F(ServerWindow, TheEntryIsEnabledForAHistoryOrTheLiveWindowOnceAServerIsSet) {
    const int history = openFixture();
    ws.toggleLiveWindow();  // shown
    struct Case {
        const char* server;
        ActiveChild active;
        bool enabled;
    };
    const Case cases[] = {
        {"", {ChildKind::History, history}, false},
        {"postgresql://db/site", {ChildKind::History, history}, true},
        {"postgresql://db/site", {ChildKind::Live, -1}, true},
        {"postgresql://db/site", {ChildKind::None, -1}, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(acceptServerSettings(ws, {c.server, "", ""}));
        ws.setActiveChild(c.active);
        EXPECT_EQ(serverAppendEnabled(ws), c.enabled) << c.server;
    }
}

TEST_F(ServerWindow, TheSettingKeepsTheUriWithoutItsPasswordAndRefusesAnythingElse) {
    ASSERT_TRUE(acceptServerSettings(ws, {" postgresql://loader:secret@db/site ", " 二号线 ", ""}));
    EXPECT_EQ(ws.settings().DatabaseServer, "postgresql://loader@db/site");
    EXPECT_EQ(ws.settings().Line, "二号线");
    EXPECT_EQ(store.read("ProgramSetting", "DatabaseServer"), "postgresql://loader@db/site");

    EXPECT_FALSE(acceptServerSettings(ws, {"db.example/site", "", ""}));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, kBadServerUriMessage);
    EXPECT_EQ(ws.settings().DatabaseServer, "postgresql://loader@db/site");
}

TEST_F(ServerWindow, AppendingAHistoryWindowTellsHowManyRowsWereNew) {
    const int history = openFixture();
    ASSERT_TRUE(acceptServerSettings(ws, {uri("tarvo"), "一号线", ""}));
    ws.setActiveChild({ChildKind::History, history});

    for (int added : {test::kFixtureRecords, 0}) {
        messenger.shown.clear();
        EXPECT_TRUE(appendActiveWindowToServer(ws));
        ASSERT_EQ(messenger.shown.size(), 1u);
        EXPECT_EQ(messenger.shown[0].text, "服务器数据库新增" + std::to_string(added) + "条记录。");
    }
    const auto lines = Pg(uri("tarvo")).rows("SELECT DISTINCT \"线路\" FROM \"数据记录表\"");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(*lines[0][0], "一号线");

    // A server that is not there: its own message.
    ASSERT_TRUE(acceptServerSettings(ws, {"postgresql://tarvo@/x?host=/nonexistent", "", ""}));
    messenger.shown.clear();
    EXPECT_FALSE(appendActiveWindowToServer(ws));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text.rfind(kServerUnreachablePrefix, 0), 0u);
}

}  // namespace
}  // namespace tarvo
