#include "workstation/maintenance_dialogs.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "core/logger_parameters.h"
#include "files/template_locator.h"
#include "link/maintenance.h"
#include "link/transaction_engine.h"

namespace tarvo {

namespace {

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters of a UTF-8 text: every byte that is not a continuation starts one.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !continuationByte(c); }));
}

// The last `n` characters of a UTF-8 text (all of it when it is shorter).
std::string lastCharacters(std::string_view text, std::size_t n) {
    std::size_t start = text.size();
    for (std::size_t taken = 0; taken < n && start > 0;) {
        --start;
        if (!continuationByte(text[start])) ++taken;
    }
    return std::string(text.substr(start));
}

#ifdef _WIN32
constexpr const char* kCalibrationProgram = "Zariva.exe";
#else
constexpr const char* kCalibrationProgram = "Zariva";
#endif

bool startable(const std::filesystem::path& program) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(program, error)) return false;
#ifdef _WIN32
    return true;
#else
    using std::filesystem::perms;
    const perms p = std::filesystem::status(program, error).permissions();
    return !error &&
           (p & (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none;
#endif
}

}  // namespace

// ---- dlgPower -----------------------------------------------------------------

std::string powerDialogPreset(std::int16_t powerMode) {
    return lastCharacters(powerModeText(powerMode), 4);
}

bool powerDialogMode(std::string_view comboText) {
    return comboText == kPowerNormalItem;
}

// ---- frmEqpTime ---------------------------------------------------------------

DateTime clockDialogPreset(const LoggerParameters& params) {
    return params.loggerClock;
}

// ---- digit-only boxes ---------------------------------------------------------

bool onlyDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

DigitOnlyBox::DigitOnlyBox(std::string initialText) : remembered_(std::move(initialText)) {}

void DigitOnlyBox::keyPress(std::string_view currentText) {
    remembered_ = std::string(currentText);
}

std::string DigitOnlyBox::textChanged(std::string_view newText) {
    if (!onlyDigits(newText)) return remembered_;
    remembered_ = std::string(newText);
    return remembered_;
}

// ---- dlgMobile ----------------------------------------------------------------

std::array<std::string, 3> mobileDialogNumbers(const std::array<std::string, 3>& boxes) {
    std::array<std::string, 3> numbers;
    for (std::size_t i = 0; i < boxes.size(); ++i) numbers[i] = phoneNumberEntry(boxes[i]);
    return numbers;
}

// ---- dlgPwd -------------------------------------------------------------------

std::optional<Message> passwordDialogRefusal(std::string_view oldText, std::string_view newText) {
    const auto refusal = [](std::string_view text) {
        return Message{std::string(text), {}, MessageIcon::None, MessageButtons::Ok};
    };
    const auto required = static_cast<std::size_t>(kPasswordBoxMaxLength);
    if (characterCount(oldText) < required) return refusal(kOldPasswordTooShort);
    if (characterCount(newText) < required) return refusal(kNewPasswordTooShort);
    return std::nullopt;
}

// ---- calibration-curve tool ---------------------------------------------------

std::filesystem::path calibrationToolPath(const std::filesystem::path& programFolder) {
    return programFolder / kCalibrationProgram;
}

Message calibrationMissingMessage() {
    return {std::string(kCalibrationMissing), std::string(kErrorTitle), MessageIcon::Warning,
            MessageButtons::Ok};
}

CalibrationLaunch calibrationToolLaunch(const std::filesystem::path& programFolder) {
    CalibrationLaunch launch;
    const std::filesystem::path program = calibrationToolPath(programFolder);
    // Without a program folder there is nothing to look in.
    if (!programFolder.empty() && startable(program)) {
        launch.program = program;
    } else {
        launch.message = calibrationMissingMessage();
    }
    return launch;
}

CalibrationLaunch calibrationToolLaunch() {
    return calibrationToolLaunch(executableFolder());
}

}  // namespace tarvo
