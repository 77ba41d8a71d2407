// Saving onto a disk that fills up or a target that cannot be written, in every
// format: the file that was there stays as it was, nothing is left beside it, the
// operator is told, and the document keeps its name, caption and saved flag.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/file_names.h"
#include "files/file_size_limit.h"
#include "files/scratch_folder.h"
#include "workstation/document_commands.h"
#include "workstation/orx_fixture.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

const fs::path kTemplate = fs::path(TARVO_BINARY_DIR) / "bin" / "FileMode" / "default.mdb";

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

enum class Fault { DiskFull, WriteProtected };

class DiskFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::writeFixtureLoggerFile(scratch / "source.orx"));
        ASSERT_TRUE(openDocumentFile(doc, scratch / "source.orx", 10000));
        fs::create_directory(scratch / "out");
    }

    // An existing file under `name` in the out folder: a database for ".mdb" (a save
    // into an existing database adds to it), other bytes otherwise.
    fs::path existing(const std::string& name) {
        const fs::path path = scratch / "out" / name;
        if (name.ends_with("mdb")) {
            fs::copy_file(kTemplate, path);
        } else {
            std::ofstream(path, std::ios::binary) << "the file that was there before\r\n";
        }
        return path;
    }

    testing::ScratchFolder scratch;
    HistoryDocument doc;
    TemplateLocator templates{kTemplate};
};

TEST_F(DiskFaults, AFailedSaveInAnyFormatLeavesTheOldFileAndTheDocumentAsTheyWere) {
    for (const Fault fault : {Fault::DiskFull, Fault::WriteProtected}) {
        for (const char* extension : {"orx", "mdb", "csv", "doc", "txt"}) {
            const std::string label =
                std::string(extension) +
                (fault == Fault::DiskFull ? " on a full disk" : " write-protected");
            const fs::path target = existing(std::string("saved.") + extension);
            const std::string before = fileBytes(target);
            const auto nameBefore = doc.fileName;
            const auto captionBefore = doc.caption;
            doc.saved = false;

            CommandOutcome outcome;
            if (fault == Fault::DiskFull) {
                // No file may grow past a few bytes more than the old one holds.
                testing::FileSizeLimit full(before.size() + 16);
                ASSERT_TRUE(full.active());
                outcome = saveDocumentAs(doc, target, templates);
            } else {
                fs::permissions(target, fs::perms::owner_read | fs::perms::group_read |
                                            fs::perms::others_read);
                outcome = saveDocumentAs(doc, target, templates);
                fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
            }

            EXPECT_FALSE(outcome) << label;
            ASSERT_TRUE(outcome.message) << label;
            EXPECT_NE(outcome.message->text.find("saved." + std::string(extension)),
                      std::string::npos)
                << label << ": " << outcome.message->text;
            EXPECT_TRUE(fileBytes(target) == before) << label << ": the old file changed";
            EXPECT_EQ(namesIn(scratch / "out"),
                      std::vector<std::string>{target.filename().string()})
                << label;
            EXPECT_EQ(doc.fileName, nameBefore) << label;
            EXPECT_EQ(doc.caption, captionBefore) << label;
            EXPECT_FALSE(doc.saved) << label;
            fs::remove(target);
        }
    }
}

TEST_F(DiskFaults, AFailedAppendLeavesTheDatabaseAsItWas) {
    for (const Fault fault : {Fault::DiskFull, Fault::WriteProtected}) {
        const std::string label = fault == Fault::DiskFull ? "full disk" : "write-protected";
        const fs::path target = existing("all.mdb");
        const std::string before = fileBytes(target);
        doc.saved = true;
        CommandOutcome outcome;
        if (fault == Fault::DiskFull) {
            // No room even for the database's journal.
            testing::FileSizeLimit full(1024);
            ASSERT_TRUE(full.active());
            outcome = appendDocumentToDatabase(doc, pathText(target), templates);
        } else {
            fs::permissions(target, fs::perms::owner_read);
            outcome = appendDocumentToDatabase(doc, pathText(target), templates);
            fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
        }
        EXPECT_FALSE(outcome) << label;
        EXPECT_TRUE(outcome.message) << label;
        EXPECT_TRUE(fileBytes(target) == before) << label << ": the database changed";
        EXPECT_EQ(namesIn(scratch / "out"), std::vector<std::string>{"all.mdb"}) << label;
        EXPECT_TRUE(doc.saved) << label;
        fs::remove(target);
    }
}

}  // namespace
}  // namespace tarvo
