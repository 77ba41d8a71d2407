#include "platform/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "core/settings.h"
#include "files/file_size_limit.h"

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

// A store that cannot be written (a full disk, a folder that is a file) says so,
// keeps what it was given for this run, and leaves the old file as it was.
TEST_F(QtSettingsStoreTest, AStoreThatCannotBeWrittenSaysSoAndKeepsTheOldFile) {
    ProgramSettings first;
    first.ComPort = "COM1";
    {
        QtSettingsStore store(path());
        saveSettings(store, first, {});
        ASSERT_TRUE(store.commit());
    }
    QFile file(QString::fromStdString(path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    ProgramSettings second = first;
    second.ComPort = "COM2";
    second.FilePath = std::string(4096, 'x');  // more than the disk has room for
    {
        QtSettingsStore store(path());
        testing::FileSizeLimit full(static_cast<rlim_t>(before.size()) + 16);
        ASSERT_TRUE(full.active());
        saveSettings(store, second, {});
        EXPECT_FALSE(store.commit());
        EXPECT_EQ(store.read("ProgramSetting", "ComPort"), "COM2");
    }  // nor does the store write on its way out
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tarvo.ini"});

    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QtSettingsStore nowhere(dir.filePath("plain/Tarvo.ini").toStdString());
    saveSettings(nowhere, second, {});
    EXPECT_FALSE(nowhere.commit());
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
