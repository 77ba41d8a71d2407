#include "workstation/live_settings_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "core/memory_settings_store.h"

namespace tarvo {
namespace {

using namespace std::string_literals;

ProgramSettings stored(std::int32_t interval, std::int16_t autoSave, std::string folder) {
    ProgramSettings s;
    s.RealInterval = interval;
    s.AutoSave = autoSave;
    s.FilePath = std::move(folder);
    return s;
}

TEST(LiveSettingsDialog, LoadsThePeriodAsATimeWithinThePickersLimits) {
    struct Case {
        std::int32_t interval;
        std::string shown;
    };
    const Case cases[] = {{10, "00:00:10"}, {3725, "01:02:05"}, {86399, "23:59:59"},
                          {5, "00:00:10"},  {-20, "00:00:10"},  {90000, "23:59:59"}};
    for (const Case& c : cases) {
        const LiveSettingsDialog dialog(stored(c.interval, 10, "/data"));
        EXPECT_EQ(dialog.intervalText(), c.shown) << c.interval;
    }
    const LiveSettingsDialog on(stored(10, 1, "/data/实时"));
    EXPECT_TRUE(on.autoSave());
    EXPECT_EQ(on.folder(), "/data/实时");
    EXPECT_FALSE(LiveSettingsDialog(stored(10, 0, "")).autoSave());
    EXPECT_FALSE(LiveSettingsDialog(stored(10, -10, "")).autoSave());
}

TEST(LiveSettingsDialog, AutoSaveWithoutAFolderKeepsTheDialogOpenAndChangesNothing) {
    ProgramSettings settings = stored(10, -10, "");
    MemorySettingsStore store;
    DisplayNames names;
    LiveSettingsDialog dialog(settings);
    dialog.setAutoSave(true);
    dialog.setInterval(0, 1, 0);

    const auto refusal = dialog.accept(settings, store, names);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "请选择保存路径.");
    EXPECT_TRUE(dialog.visible());
    EXPECT_FALSE(dialog.ok());
    EXPECT_EQ(settings, stored(10, -10, ""));
    EXPECT_TRUE(store.writes().empty());

    // A cancelled folder browser empties the folder again.
    dialog.folderChosen("/srv/live"s);
    dialog.folderChosen(std::nullopt);
    EXPECT_TRUE(dialog.accept(settings, store, names));
}

TEST(LiveSettingsDialog, TickedWithAFolderStoresItWithAutoSaveTenAndThePeriodInSeconds) {
    ProgramSettings settings = stored(10, -10, "/old");
    MemorySettingsStore store;
    DisplayNames names;
    LiveSettingsDialog dialog(settings);
    dialog.setAutoSave(true);
    dialog.folderChosen("/srv/实时\0garbage"s);
    EXPECT_EQ(dialog.folder(), "/srv/实时");
    dialog.setInterval(1, 2, 3);

    EXPECT_FALSE(dialog.accept(settings, store, names));
    EXPECT_TRUE(dialog.ok());
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(settings, stored(3723, 10, "/srv/实时"));
    EXPECT_EQ(store.read("ProgramSetting", "RealInterval"), "3723");
    EXPECT_EQ(store.read("ProgramSetting", "FilePath"), "/srv/实时");
    EXPECT_EQ(store.read("ProgramSetting", "AutoSave"), "10");
}

TEST(LiveSettingsDialog, UntickingStoresMinusTenAndKeepsTheFolder) {
    ProgramSettings settings = stored(60, 10, "/srv/live");
    MemorySettingsStore store;
    DisplayNames names;
    LiveSettingsDialog dialog(settings);
    dialog.setAutoSave(false);
    dialog.folderChosen(std::nullopt);  // the folder shown does not matter when unticked
    EXPECT_FALSE(dialog.accept(settings, store, names));
    EXPECT_EQ(settings, stored(60, -10, "/srv/live"));
    EXPECT_EQ(store.read("ProgramSetting", "AutoSave"), "-10");
}

TEST(LiveSettingsDialog, ThePickerHoldsTenSecondsToOneSecondBeforeMidnight) {
    struct Case {
        int h, m, s;
        int seconds;
    };
    const Case cases[] = {
        {0, 0, 3, 10}, {0, 0, 10, 10}, {23, 59, 59, 86399}, {24, 0, 0, 86399}, {0, 0, 0, 10}};
    for (const Case& c : cases) {
        LiveSettingsDialog dialog(stored(10, -10, ""));
        dialog.setInterval(c.h, c.m, c.s);
        EXPECT_EQ(dialog.intervalSeconds(), c.seconds) << c.h << ":" << c.m << ":" << c.s;
    }
}

TEST(LiveSettingsDialog, CancelChangesNothing) {
    ProgramSettings settings = stored(60, 10, "/srv/live");
    LiveSettingsDialog dialog(settings);
    dialog.setAutoSave(false);
    dialog.setInterval(2, 0, 0);
    dialog.cancel();
    EXPECT_FALSE(dialog.ok());
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(settings, stored(60, 10, "/srv/live"));
}

}  // namespace
}  // namespace tarvo
