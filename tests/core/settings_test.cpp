#include "core/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/memory_settings_store.h"

namespace tarvo {
namespace {

using Write = MemorySettingsStore::Write;

TEST(Settings, EmptyStoreYieldsExactlyTheDefaults) {
    MemorySettingsStore store;
    ProgramSettings settings;
    settings.ComPort = "COM5";
    settings.AutoSave = 10;
    DisplayNames names;
    names[7] = "锅炉房";
    loadSettings(store, settings, names);

    EXPECT_EQ(settings.ComPort, "COM1");
    EXPECT_EQ(settings.BaudRate, 9600);
    EXPECT_EQ(settings.CheckMode, "n");
    EXPECT_EQ(settings.OverTime, 200);
    EXPECT_EQ(settings.ResendTime, 3);
    EXPECT_EQ(settings.RealInterval, 10);
    EXPECT_EQ(settings.ConferStyle, 2);
    EXPECT_EQ(settings.FilePath, "");
    EXPECT_EQ(settings.AutoSave, -10);
    EXPECT_EQ(settings.StrictTiming, 0);
    EXPECT_EQ(names[1], "记录仪1");
    EXPECT_EQ(names[7], "记录仪7");
    EXPECT_EQ(names[100], "记录仪100");
    EXPECT_EQ(names, DisplayNames());
}

TEST(Settings, SaveWritesEveryKeyInOrderWithAutoSaveUnderLowerCaseSection) {
    MemorySettingsStore store;
    ProgramSettings settings;
    settings.RealInterval = 70000;
    settings.AutoSave = 10;
    DisplayNames names;
    saveSettings(store, settings, names);

    const auto& w = store.writes();
    ASSERT_EQ(w.size(), 112u);
    const std::vector<Write> program = {
        {"ProgramSetting", "BaudRate", "9600"}, {"ProgramSetting", "ComPort", "COM1"},
        {"ProgramSetting", "CheckMode", "n"},   {"ProgramSetting", "OverTime", "200"},
        {"ProgramSetting", "ResendTime", "3"},  {"ProgramSetting", "RealInterval", "70000"},
        {"ProgramSetting", "ConferStyle", "2"}, {"ProgramSetting", "FilePath", ""},
        {"programSetting", "AutoSave", "10"},
    };
    EXPECT_EQ(std::vector<Write>(w.begin(), w.begin() + 9), program);
    EXPECT_EQ(w[9], (Write{"Display", "记录仪1", "记录仪1"}));
    EXPECT_EQ(w[108], (Write{"Display", "记录仪100", "记录仪100"}));
    EXPECT_EQ(w[109], (Write{"ProgramSetting", "DatabaseServer", ""}));
    EXPECT_EQ(w[110], (Write{"ProgramSetting", "Line", ""}));
    EXPECT_EQ(w[111], (Write{"ProgramSetting", "StrictTiming", "0"}));
}

TEST(Settings, SaveThenLoadReproducesEveryField) {
    ProgramSettings saved;
    saved.ComPort = "/dev/ttyUSB0";
    saved.BaudRate = 115200;
    saved.CheckMode = "e";
    saved.OverTime = 15000;
    saved.ResendTime = 5;
    saved.RealInterval = 3600;
    saved.ConferStyle = 1;
    saved.FilePath = "/home/操作员/实时数据";
    saved.AutoSave = 10;
    saved.DatabaseServer = "postgresql://loader@db.example/site";
    saved.Line = "冷库二号";
    saved.StrictTiming = 1;
    DisplayNames savedNames;
    savedNames[1] = "冷库一号";
    savedNames[100] = "";
    MemorySettingsStore store;
    saveSettings(store, saved, savedNames);

    ProgramSettings loaded;
    DisplayNames loadedNames;
    loadSettings(store, loaded, loadedNames);
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loadedNames, savedNames);
}

TEST(Settings, AutoSaveOnlyAboveZeroMeansOn) {
    for (auto [stored, on] : {std::pair{"-10", false}, {"0", false}, {"10", true}, {"1", true}}) {
        MemorySettingsStore store;
        store.write("PROGRAMSETTING", "AutoSave", stored);
        ProgramSettings s;
        DisplayNames names;
        loadSettings(store, s, names);
        EXPECT_EQ(s.autoSaveOn(), on) << stored;
    }
}

// Texts that are not whole numbers of the field's width keep the default. The
// loaded value is read back through a second save.
TEST(Settings, UnreadableOrOutOfRangeNumbersKeepTheDefault) {
    struct Case {
        const char* key;
        const char* stored;
        const char* loaded;
    };
    const Case cases[] = {
        {"OverTime", "500", "500"},
        {"OverTime", " 500 ", "500"},
        {"OverTime", "+500", "500"},
        {"OverTime", "abc", "200"},
        {"OverTime", "", "200"},
        {"OverTime", "12ms", "200"},
        {"OverTime", "1.5", "200"},
        {"OverTime", "32767", "32767"},
        {"OverTime", "32768", "200"},
        {"OverTime", "-32768", "-32768"},
        {"OverTime", "+-5", "200"},
        {"OverTime", "99999999999999999999", "200"},
        {"RealInterval", "70000", "70000"},
        {"RealInterval", "2147483648", "10"},
        {"ResendTime", "-1", "-1"},
        {"ConferStyle", "x", "2"},
        {"BaudRate", "115200", "115200"},
        {"BaudRate", "2147483648", "9600"},
        {"AutoSave", "on", "-10"},
    };
    for (const Case& c : cases) {
        MemorySettingsStore store;
        store.write("ProgramSetting", c.key, c.stored);
        ProgramSettings s;
        DisplayNames names;
        loadSettings(store, s, names);
        MemorySettingsStore out;
        saveSettings(out, s, names);
        EXPECT_EQ(out.read("ProgramSetting", c.key), c.loaded) << c.key << "=" << c.stored;
    }
}

TEST(Settings, LineSetUpTextsAreCheckedAgainstWhatTheLineAccepts) {
    for (int speed : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) {
        EXPECT_TRUE(isLineSpeed(speed)) << speed;
    }
    for (long long speed : {0LL, 300LL, 14400LL, 128000LL, -9600LL}) {
        EXPECT_FALSE(isLineSpeed(speed)) << speed;
    }
    EXPECT_EQ(parityLetter("n"), 'n');
    EXPECT_EQ(parityLetter("E"), 'e');
    EXPECT_EQ(parityLetter("m"), 'm');
    for (const char* bad : {"", "x", "no", " n", "N1"}) EXPECT_FALSE(parityLetter(bad)) << bad;
    for (const char* good : {"COM1", "com9", "COM12", "/dev/ttyUSB0", "/dev/pts/7"}) {
        EXPECT_TRUE(isPortName(good)) << good;
    }
    for (const char* bad : {"", "  ", "COM0", "COM", "COM-1", "COMx", "COM+3"}) {
        EXPECT_FALSE(isPortName(bad)) << bad;
    }
}

TEST(Settings, DisplayNamesOutsideOneToHundredAreRejected) {
    DisplayNames names;
    EXPECT_THROW(names[0], std::out_of_range);
    EXPECT_THROW(names[101], std::out_of_range);
    EXPECT_EQ(DisplayNames::defaultName(42), "记录仪42");
}

TEST(MemorySettingsStore, SectionsIgnoreCaseKeysDoNot) {
    MemorySettingsStore store;
    store.write("programSetting", "AutoSave", "10");
    EXPECT_EQ(store.read("ProgramSetting", "AutoSave"), "10");
    EXPECT_EQ(store.read("PROGRAMSETTING", "AutoSave"), "10");
    EXPECT_EQ(store.read("ProgramSetting", "autosave"), std::nullopt);
    store.write("ProgramSetting", "AutoSave", "-10");
    EXPECT_EQ(store.read("programsetting", "AutoSave"), "-10");
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.writes().size(), 2u);
}

}  // namespace
}  // namespace tarvo
