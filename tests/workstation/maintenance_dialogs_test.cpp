#include "workstation/maintenance_dialogs.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/logger_parameters.h"
#include "files/scratch_folder.h"

namespace tarvo {
namespace {

TEST(PowerDialog, OpensOnTheCurrentModeAndOnlyTheNormalItemMeansNormal) {
    EXPECT_EQ(powerDialogPreset(kPowerNormal), "正常模式");
    EXPECT_EQ(powerDialogPreset(kPowerSaving), "省电模式");
    EXPECT_EQ(powerDialogPreset(1), "省电模式");

    struct Case {
        std::string_view text;
        bool normal;
    };
    for (const Case& c : {Case{"正常模式", true}, Case{"省电模式 ", false}, Case{"省电模式", false},
                          Case{"", false}, Case{" 正常模式", false}}) {
        EXPECT_EQ(powerDialogMode(c.text), c.normal) << c.text;
    }
    // The dialog's own items map to the mode they name.
    EXPECT_TRUE(powerDialogMode(kPowerNormalItem));
    EXPECT_FALSE(powerDialogMode(kPowerSavingItem));
}

TEST(ClockDialog, OpensOnTheLoggerClock) {
    LoggerParameters params;
    params.loggerClock = makeDateTime(2006, 7, 8, 9, 10, 11);
    EXPECT_EQ(clockDialogPreset(params), params.loggerClock);
}

TEST(DigitOnlyBox, ALetterTypedIntoTheBoxLeavesThePreviousText) {
    DigitOnlyBox box;
    // Typing "12", then "a": the box goes back to "12".
    box.keyPress("");
    EXPECT_EQ(box.textChanged("1"), "1");
    box.keyPress("1");
    EXPECT_EQ(box.textChanged("12"), "12");
    box.keyPress("12");
    EXPECT_EQ(box.textChanged("12a"), "12");
    // Deleting is a change of digits too.
    box.keyPress("12");
    EXPECT_EQ(box.textChanged("1"), "1");
    // A space, a sign, a full-width digit are not digits.
    for (std::string_view typed : {"1 ", "-1", "1.", "１"}) {
        box.keyPress("1");
        EXPECT_EQ(box.textChanged(typed), "1") << typed;
    }
    EXPECT_EQ(box.textChanged(""), "");
}

TEST(DigitOnlyBox, APasteWithoutAKeyFallsBackToTheTextJustBeforeIt) {
    DigitOnlyBox box;
    box.keyPress("");
    box.textChanged("5");
    box.keyPress("5");
    box.textChanged("55");
    // A paste from the context menu presses no key.
    EXPECT_EQ(box.textChanged("55x"), "55");
    EXPECT_EQ(box.textChanged("5512"), "5512");
}

TEST(MobileDialog, OnlyBoxesOfElevenDigitsGiveANumber) {
    EXPECT_EQ(mobileDialogNumbers({"1380013800", "13800138000", ""}),
              (std::array<std::string, 3>{"", "13800138000", ""}));
    EXPECT_EQ(mobileDialogNumbers({"13800138000", "13900139000", "13700137000"}),
              (std::array<std::string, 3>{"13800138000", "13900139000", "13700137000"}));
    EXPECT_EQ(mobileDialogNumbers({"138001380001", "", ""}), (std::array<std::string, 3>{}));
}

TEST(PasswordDialog, ShortPasswordsAreRefusedOldOneFirst) {
    struct Case {
        std::string_view oldText;
        std::string_view newText;
        std::string_view refusal;  // empty: accepted
    };
    for (const Case& c :
         {Case{"1234567", "12345678", "旧密码长度不足8位!"}, Case{"", "", "旧密码长度不足8位!"},
          Case{"12345678", "1234567", "新密码长度不足8位!"}, Case{"12345678", "87654321", ""}}) {
        const auto refusal = passwordDialogRefusal(c.oldText, c.newText);
        if (c.refusal.empty()) {
            EXPECT_FALSE(refusal) << c.oldText;
        } else {
            ASSERT_TRUE(refusal) << c.oldText;
            EXPECT_EQ(refusal->text, c.refusal);
            EXPECT_EQ(refusal->buttons, MessageButtons::Ok);
        }
    }
}

TEST(CalibrationTool, IsStartedFromBesideTheProgramOrReportedMissing) {
    const testing::ScratchFolder scratch;
    const std::filesystem::path& folder = scratch.path();
    ASSERT_FALSE(folder.empty());
    const std::filesystem::path tool = folder / "Zariva";
    EXPECT_EQ(calibrationToolPath(folder), tool);

    const auto expectMissing = [](const CalibrationLaunch& launch) {
        EXPECT_FALSE(launch.program);
        ASSERT_TRUE(launch.message);
        EXPECT_EQ(launch.message->text, "校正曲线模块未安装");
        EXPECT_EQ(launch.message->title, "错误");
        EXPECT_EQ(launch.message->icon, MessageIcon::Warning);
    };
    expectMissing(calibrationToolLaunch(folder));
    expectMissing(calibrationToolLaunch(std::filesystem::path{}));

    // A file that cannot be run is as good as missing; a folder of that name too.
    std::ofstream(tool) << "#!/bin/sh\n";
    expectMissing(calibrationToolLaunch(folder));
    std::filesystem::permissions(tool, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const CalibrationLaunch launch = calibrationToolLaunch(folder);
    EXPECT_EQ(launch.program, tool);
    EXPECT_FALSE(launch.message);

    std::filesystem::remove(tool);
    std::filesystem::create_directory(tool);
    expectMissing(calibrationToolLaunch(folder));
}

}  // namespace
}  // namespace tarvo
