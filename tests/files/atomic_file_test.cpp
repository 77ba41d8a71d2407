#include "files/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/file_size_limit.h"
#include "scratch_folder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::ScratchFolder;
using testing::writeBytes;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    return names;
}

TEST(AtomicFile, CreatesThenReplacesTheWholeFileAndLeavesNothingBeside) {
    ScratchFolder scratch;
    const fs::path target = scratch / "a.orx";

    ASSERT_TRUE(writeFileAtomically(target, Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(readBytes(target), (Bytes{1, 2, 3, 4, 5, 6}));

    ASSERT_TRUE(writeFileAtomically(target, Bytes{9, 8}));  // a shorter file replaces a longer
    EXPECT_EQ(readBytes(target), (Bytes{9, 8}));
    EXPECT_EQ(namesIn(scratch.path()), std::vector<std::string>{"a.orx"});
}

TEST(AtomicFile, ReplacedFileKeepsItsPermissions) {
    ScratchFolder scratch;
    const fs::path target = scratch / "a.orx";
    writeBytes(target, Bytes{1});
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(writeFileAtomically(target, Bytes{2}));
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Tests run as root, so a folder's permission bits stop nothing: the failures are
// made with names that cannot be files.
TEST(AtomicFile, FailureLeavesEverythingAsItWasAndSaysWhy) {
    ScratchFolder scratch;
    writeBytes(scratch / "plain", Bytes{7, 7, 7});
    fs::create_directory(scratch / "taken.orx");
    writeBytes(scratch / "taken.orx" / "inside", Bytes{5});

    const fs::path targets[] = {
        scratch / "missing" / "a.orx",  // folder missing
        scratch / "plain" / "a.orx",    // "folder" is a regular file
        scratch / "taken.orx",          // target name taken by a folder
        scratch.path() / "",            // no file name at all
    };
    for (const fs::path& target : targets) {
        const WriteResult result = writeFileAtomically(target, Bytes{1, 2, 3});
        EXPECT_FALSE(result) << target;
        EXPECT_NE(result.error.find(target.string()), std::string::npos) << result.error;
    }
    EXPECT_EQ(readBytes(scratch / "plain"), (Bytes{7, 7, 7}));
    EXPECT_EQ(readBytes(scratch / "taken.orx" / "inside"), (Bytes{5}));
    EXPECT_EQ(namesIn(scratch / "taken.orx"), std::vector<std::string>{"inside"});
    EXPECT_EQ(namesIn(scratch.path()).size(), 2u);
}

TEST(AtomicFile, AWriteProtectedFileIsRefusedAndLeftUntouched) {
    ScratchFolder scratch;
    const fs::path target = scratch / "kept.orx";
    writeBytes(target, Bytes{4, 4});
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);

    const WriteResult result = writeFileAtomically(target, Bytes{1, 2, 3});
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find(target.string()), std::string::npos) << result.error;
    EXPECT_EQ(readBytes(target), (Bytes{4, 4}));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(namesIn(scratch.path()), std::vector<std::string>{"kept.orx"});
}

TEST(AtomicFile, ASymbolicLinkStaysAndTheFileItLeadsToIsReplacedInItsOwnFolder) {
    ScratchFolder scratch;
    fs::create_directory(scratch / "store");
    writeBytes(scratch / "store" / "real.orx", Bytes{1});
    fs::create_symlink("store/real.orx", scratch / "relative.orx");
    fs::create_symlink(scratch / "relative.orx", scratch / "chained.orx");
    fs::create_symlink("store/new.orx", scratch / "dangling.orx");

    ASSERT_TRUE(writeFileAtomically(scratch / "chained.orx", Bytes{2, 2}));
    EXPECT_TRUE(fs::is_symlink(scratch / "chained.orx"));
    EXPECT_TRUE(fs::is_symlink(scratch / "relative.orx"));
    EXPECT_EQ(readBytes(scratch / "store" / "real.orx"), (Bytes{2, 2}));

    ASSERT_TRUE(writeFileAtomically(scratch / "dangling.orx", Bytes{3}));
    EXPECT_TRUE(fs::is_symlink(scratch / "dangling.orx"));
    EXPECT_EQ(readBytes(scratch / "store" / "new.orx"), (Bytes{3}));

    EXPECT_EQ(namesIn(scratch / "store").size(), 2u);  // no temporary file left anywhere
    EXPECT_EQ(namesIn(scratch.path()).size(), 4u);

    fs::create_symlink(scratch / "loop-b", scratch / "loop-a");
    fs::create_symlink(scratch / "loop-a", scratch / "loop-b");
    EXPECT_FALSE(writeFileAtomically(scratch / "loop-a", Bytes{1}));
}

TEST(AtomicFile, AWriteThatRunsOutOfSpaceKeepsTheOldFile) {
    ScratchFolder scratch;
    const fs::path target = scratch / "a.orx";
    writeBytes(target, Bytes{1, 2, 3});

    WriteResult result;
    {
        testing::FileSizeLimit limit(64);
        result = writeFileAtomically(target, Bytes(1000, 0xAB));
    }
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find("cannot write"), std::string::npos) << result.error;
    EXPECT_EQ(readBytes(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(namesIn(scratch.path()), std::vector<std::string>{"a.orx"});
}

}  // namespace
}  // namespace tarvo
