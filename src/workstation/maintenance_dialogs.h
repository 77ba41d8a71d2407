#pragma once
// What the maintenance dialogs decide, apart from their widgets: the power-mode
// dialog (dlgPower), the logger-clock dialog (frmEqpTime), the SMS number dialog
// (dlgMobile), the SMS password dialog (dlgPwd), their digit-only boxes, and how the
// calibration-curve tool is started. The window builds the widgets from these
// texts and asks these functions what to do; the commands themselves are in
// link/maintenance.h.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/date_time.h"
#include "core/messenger.h"

namespace tarvo {

struct LoggerParameters;

// ---- dlgPower -----------------------------------------------------------------

inline constexpr std::string_view kPowerDialogCaption = "设置功耗模式";
// The items of Combo功耗模式. The saving item carries a trailing space.
inline constexpr std::string_view kPowerNormalItem = "正常模式";
inline constexpr std::string_view kPowerSavingItem = "省电模式 ";

// Combo功耗模式's text when the dialog opens: the last four characters of the
// power-mode text of `powerMode`.
std::string powerDialogPreset(std::int16_t powerMode);

// What cmdOK makes of the box's text (Mode): normal for "正常模式", power saving for
// "省电模式 " and for any other text.
bool powerDialogMode(std::string_view comboText);

// ---- frmEqpTime ---------------------------------------------------------------

inline constexpr std::string_view kClockDialogCaption = "设置记录仪时钟";
// DT时间's custom format.
inline constexpr std::string_view kClockPickerFormat = "yyyy-MM-dd HH:mm:ss";

// DT时间's value when the dialog opens: the logger clock last read or set.
DateTime clockDialogPreset(const LoggerParameters& params);

// ---- digit-only boxes ---------------------------------------------------------

// A box that takes only the digits 0 to 9. Before every key press the box's text
// is remembered; after every change the new text is checked, and when any of its
// characters is not a digit the remembered text is put back. An accepted change is
// remembered as well, so that a change without a key press (a paste from the
// context menu) falls back to the text just before it, not to an older one.
class DigitOnlyBox {
  public:
    explicit DigitOnlyBox(std::string initialText = {});

    // A key is about to change the box, which now shows `currentText`.
    void keyPress(std::string_view currentText);
    // The box's text became `newText`: returns the text the box is to show.
    std::string textChanged(std::string_view newText);

    const std::string& remembered() const { return remembered_; }

  private:
    std::string remembered_;
};

bool onlyDigits(std::string_view text);

// ---- dlgMobile ----------------------------------------------------------------

inline constexpr std::string_view kMobileDialogCaption = "手机号码";
inline constexpr std::array<std::string_view, 3> kMobileBoxLabels = {"号码1", "号码2", "号码3"};
inline constexpr int kMobileBoxMaxLength = 11;

// The phoneNumbers entries of the three boxes after cmdOK (bOK): a box of exactly
// eleven digits gives its number, every other box an empty entry.
std::array<std::string, 3> mobileDialogNumbers(const std::array<std::string, 3>& boxes);

// ---- dlgPwd -------------------------------------------------------------------

inline constexpr std::string_view kPasswordDialogCaption = "短信密码";
inline constexpr std::string_view kOldPasswordLabel = "旧密码";
inline constexpr std::string_view kNewPasswordLabel = "新密码";
inline constexpr int kPasswordBoxMaxLength = 8;
inline constexpr std::string_view kOldPasswordTooShort = "旧密码长度不足8位!";
inline constexpr std::string_view kNewPasswordTooShort = "新密码长度不足8位!";

// cmdOK of dlgPwd: the message to show, the dialog staying open, when a password is
// shorter than eight characters (the old one is checked first); nothing when the
// dialog may close with bOK set.
std::optional<Message> passwordDialogRefusal(std::string_view oldText, std::string_view newText);

// ---- calibration-curve tool ---------------------------------------------------

inline constexpr std::string_view kCalibrationMissing = "校正曲线模块未安装";

// The tool's place: "Zariva" ("Zariva.exe" on Windows) in the program's folder.
std::filesystem::path calibrationToolPath(const std::filesystem::path& programFolder);

// What the command "设置校正曲线(&C)" does: start `program` with a normal window, or,
// when there is no such program, show `message` ("校正曲线模块未安装", title "错误",
// warning). The shell shows the same message when the start itself fails.
struct CalibrationLaunch {
    std::optional<std::filesystem::path> program;
    std::optional<Message> message;
};
CalibrationLaunch calibrationToolLaunch(const std::filesystem::path& programFolder);
// The same for the folder of the running program.
CalibrationLaunch calibrationToolLaunch();

Message calibrationMissingMessage();

}  // namespace tarvo
