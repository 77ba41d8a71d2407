#include "files/file_names.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>

#include "core/date_time.h"
#include "scratch_folder.h"

namespace tarvo {
namespace {

TEST(FileNames, KindIsTheLastThreeCharactersInLowerCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"/data/REC.ORX", "orx"},         {"/data/rec.orx", "orx"},
        {"/data/resultorx", "orx"},       {"/data/a.Mdb", "mdb"},
        {"/data/a.CSV", "csv"},           {"/data/a.doc", "doc"},
        {"/data/a.txt", "txt"},           {"/data/result", "ult"},
        {"/data/result.dat", "dat"},      {"ab", "ab"},
        {"", ""},                         {"/数据/记录.orx", "orx"},
        {"/数据/记录仪文件", "仪文件"},  // three characters, not three bytes
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(fileKind(pathFromText(path)), kind) << path;
}

TEST(FileNames, UnknownKindsSaveAsLoggerDataFiles) {
    const std::pair<const char*, SaveFormat> cases[] = {
        {"r.orx", SaveFormat::LoggerDataFile}, {"r.ORX", SaveFormat::LoggerDataFile},
        {"result", SaveFormat::LoggerDataFile}, {"result.dat", SaveFormat::LoggerDataFile},
        {"r.MDB", SaveFormat::Database},        {"r.csv", SaveFormat::CommaSeparated},
        {"r.Doc", SaveFormat::WordText},        {"r.txt", SaveFormat::PlainText},
        {"rtxt", SaveFormat::PlainText},
    };
    for (const auto& [path, format] : cases) EXPECT_EQ(saveFormatFor(path), format) << path;
}

TEST(FileNames, PathTextIsUtf8BothWays) {
    const std::string text = "/tmp/记录仪/文件.orx";
    EXPECT_EQ(pathText(pathFromText(text)), text);
}

// Sets an environment variable for the lifetime of the object (unset when null).
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DataFolder, OwnVariableComesFirstThenXdgThenHome) {
    {
        ScopedEnvironment own("TARVO_DATA_DIR", "/srv/tarvo");
        ScopedEnvironment xdg("XDG_DATA_HOME", "/home/u/data");
        EXPECT_EQ(dataFolder(), "/srv/tarvo");
    }
    {
        ScopedEnvironment own("TARVO_DATA_DIR", "");
        ScopedEnvironment xdg("XDG_DATA_HOME", "/home/u/data");
        EXPECT_EQ(dataFolder(), "/home/u/data/Tarvo");
    }
    {
        ScopedEnvironment own("TARVO_DATA_DIR", nullptr);
        ScopedEnvironment xdg("XDG_DATA_HOME", "relative/not/allowed");
        ScopedEnvironment home("HOME", "/home/u");
        EXPECT_EQ(dataFolder(), "/home/u/.local/share/Tarvo");
    }
}

TEST(DataFolder, TempDumpPathIsNamedAfterTheStampAndItsFolderIsCreated) {
    testing::ScratchFolder scratch;
    const std::string root = (scratch / "data").string();
    ScopedEnvironment own("TARVO_DATA_DIR", root.c_str());

    const std::filesystem::path dump = tempDumpPath(makeDateTime(2007, 8, 28, 7, 4, 9));

    EXPECT_EQ(dump, scratch / "data" / "Temp" / "2007828749.orx");
    EXPECT_TRUE(std::filesystem::is_directory(scratch / "data" / "Temp"));
    EXPECT_EQ(tempDumpPath(makeDateTime(2007, 8, 28, 7, 4, 10)).parent_path(), dump.parent_path());
}

TEST(DataFolder, EnsureFolderRefusesANameTakenByAFile) {
    testing::ScratchFolder scratch;
    testing::writeBytes(scratch / "taken", Bytes{1});
    EXPECT_FALSE(ensureFolder(scratch / "taken"));
    EXPECT_FALSE(ensureFolder(scratch / "taken" / "below"));
    EXPECT_TRUE(ensureFolder(scratch / "new" / "deeper"));
    EXPECT_TRUE(ensureFolder(scratch / "new" / "deeper"));
}

}  // namespace
}  // namespace tarvo
