#include "platform/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "core/settings.h"

namespace tarvo {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
protected:
    std::string path() const { return dir.filePath("Tarvo.ini").toStdString(); }
    QTemporaryDir dir;
};

TEST_F(QtSettingsStoreTest, SettingsAndChineseNamesSurviveTheFile) {
    ASSERT_TRUE(dir.isValid());
    ProgramSettings saved;
    saved.ComPort = "COM3";
    saved.CheckMode = "o";
    saved.OverTime = 1000;
    saved.RealInterval = 86400;
    saved.ConferStyle = 1;
    saved.FilePath = "/home/操作员/数据, 备份";
    saved.AutoSave = 10;
    DisplayNames savedNames;
    savedNames[1] = "冷库一号";
    savedNames[2] = "@开头";
    savedNames[100] = "";
    {
        QtSettingsStore store(path());
        saveSettings(store, saved, savedNames);
        EXPECT_TRUE(store.sync());
    }

    QtSettingsStore reopened(path());
    ProgramSettings loaded;
    DisplayNames loadedNames;
    loadSettings(reopened, loaded, loadedNames);
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loadedNames, savedNames);
    EXPECT_EQ(reopened.read("Display", "记录仪1"), "冷库一号");
}

TEST_F(QtSettingsStoreTest, AutoSaveLandsInTheSameSectionWhateverItsCase) {
    {
        QtSettingsStore store(path());
        saveSettings(store, ProgramSettings{}, DisplayNames{});
    }
    QSettings raw(dir.filePath("Tarvo.ini"), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), (QStringList{"Display", "ProgramSetting"}));
    EXPECT_EQ(raw.value("ProgramSetting/AutoSave").toString(), "-10");
}

TEST_F(QtSettingsStoreTest, SectionsWrittenByHandInAnotherCaseAreFound) {
    QFile file(dir.filePath("Tarvo.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[PROGRAMSETTING]\nOverTime=500\nFilePath=a,b\n");
    file.close();

    QtSettingsStore store(path());
    EXPECT_EQ(store.read("ProgramSetting", "OverTime"), "500");
    EXPECT_EQ(store.read("programsetting", "FilePath"), "a,b");
    EXPECT_EQ(store.read("ProgramSetting", "ComPort"), std::nullopt);
    EXPECT_EQ(store.read("Display", "记录仪1"), std::nullopt);

    store.write("programSetting", "AutoSave", "10");
    store.sync();
    QSettings raw(dir.filePath("Tarvo.ini"), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), QStringList{"PROGRAMSETTING"});
    EXPECT_EQ(raw.value("PROGRAMSETTING/AutoSave").toString(), "10");
}

TEST_F(QtSettingsStoreTest, AMissingFileReadsAsEmpty) {
    QtSettingsStore store(dir.filePath("none/Tarvo.ini").toStdString());
    ProgramSettings s;
    DisplayNames names;
    loadSettings(store, s, names);
    EXPECT_EQ(s, ProgramSettings{});
    EXPECT_EQ(names, DisplayNames{});
}

TEST_F(QtSettingsStoreTest, TheUserStoreIsTheTarvoIniFileOfTheUserScope) {
    // Points the user scope at the temporary folder: the real store is never touched.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    {
        QtSettingsStore store;
        EXPECT_EQ(store.fileName(), dir.filePath("Tarvo/Tarvo.ini").toStdString());
        store.write("Display", "记录仪5", "五号");
    }
    QtSettingsStore reopened(dir.filePath("Tarvo/Tarvo.ini").toStdString());
    EXPECT_EQ(reopened.read("display", "记录仪5"), "五号");
}

}  // namespace
}  // namespace tarvo
