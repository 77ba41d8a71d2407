#pragma once
// The restart command: writes the edited parameters of loggerParams into the logger,
// which clears its memory and restarts recording with them.
//
// Before the write the parameters are checked for contradictions (the operator may
// take defaults, keep the values, or give up), the operator confirms, and on most
// loggers is asked whether the logger clock is to be set to the PC time first; then
// the clock frame (when asked for) and the parameter frame go out through the
// engine, whose acknowledgement handling reconnects and reports
// "重启记录仪成功！".

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/logger_parameters.h"

namespace tarvo {

class TransactionEngine;

inline constexpr std::string_view kRestartDataQuestion = "以下数据有误，是否设置成默认值？";
inline constexpr std::string_view kRestartDataTitle = "数据有误";
inline constexpr std::string_view kRestartConfirm = "是否清除原有数据并启动记录仪？";
inline constexpr std::string_view kRestartConfirmTitle = "启动记录仪";
inline constexpr std::string_view kRestartClockQuestion =
    "是否将 '记录仪时钟' 设置为系统时间？\r"
    "选'Yes'将设为系统时钟;\r"
    "选'No'将设为属性栏中已设定的值;\r"
    "选'Cancel'将退出重启。";

// The lines of the failed consistency checks, in order, each ending with a carriage
// return; empty when the parameters agree with each other and with the PC time `now`.
std::vector<std::string> restartCheckLines(const LoggerParameters& params, DateTime now);

// The defaults offered for the failed checks, applied in order (the alarm limits get
// none).
void applyRestartDefaults(LoggerParameters& params, DateTime now);

// Whether the operator is asked about the logger clock before the write: not on
// loggers of type 254, 252 or 0, nor on type 253 without a timed start or stop.
bool restartAsksForClock(const LoggerParameters& params);

enum class RestartOutcome {
    Busy,            // another exchange is pending: nothing happened
    Cancelled,       // Cancel to the data question or to the clock question
    Declined,        // No to the confirmation
    ParametersSent,  // the parameter frame went out (mode 17)
    ClockSent,       // the clock frame went out; the parameters follow its acknowledgement
};

// The restart command for the logger at `deviceAddress`. `commitPendingEdit` (may be
// empty) commits a value an inline editor still holds, through the editor's own check,
// before anything is looked at. The questions go through the engine's messenger, the
// PC time is the engine's clock, and the command enabling is recomputed at the end.
RestartOutcome restartLogger(TransactionEngine& engine, int deviceAddress,
                             const std::function<void()>& commitPendingEdit = {});

}  // namespace tarvo
