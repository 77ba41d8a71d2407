#pragma once
// The single maintenance commands sent to the selected logger: stop recording,
// power mode, the five reset levels, the logger clock, the SMS alarm numbers and
// the SMS password. Each builds one frame and starts one exchange on the engine,
// which sends it to the address the engine holds; the engine also takes the answer
// and tells the operator how it went (stop, power mode and reset end with a
// reconnect that reports "设置记录仪成功！").
//
// Every command sends nothing while another exchange is pending.

#include <array>
#include <string>
#include <string_view>

#include "core/date_time.h"
#include "core/messenger.h"

namespace tarvo {

class TransactionEngine;
struct LoggerParameters;

inline constexpr std::string_view kStopQuestion = "您确定要停止记录仪吗？";
inline constexpr std::string_view kStopTitle = "停止记录仪";

inline constexpr int kPhoneNumberLength = 11;
inline constexpr int kSmsPasswordLength = 8;

enum class SendOutcome {
    Sent,      // the frame went out; the engine reports the result
    Declined,  // the operator answered No
    Invalid,   // nothing to send (a reset level outside 1..5, a password not of 8 digits)
    Busy,      // another exchange is pending
};

// Asks "您确定要停止记录仪吗？" (title "停止记录仪", Yes/No); on Yes marks the stop
// (stopIssued), so that its reported success shows the logger stopped, and sends it.
SendOutcome stopLogger(TransactionEngine& engine, Messenger& messenger);

// Normal mode (true) or power saving (false).
SendOutcome setPowerMode(TransactionEngine& engine, bool normal);

// Reset levels 1 to 5; any other level sends nothing (Invalid).
SendOutcome resetLogger(TransactionEngine& engine, int level);

// Stores `clock` in loggerParams.loggerClock and sends it to the logger.
SendOutcome setLoggerClockTo(TransactionEngine& engine, DateTime clock);

// The entry a number box makes in phoneNumbers: the text when it is exactly eleven
// digits, else empty (an empty entry is sent as zeros and does not count).
std::string phoneNumberEntry(std::string_view text);

// Stores the entries of the three boxes in loggerParams.phoneNumbers and sends them.
SendOutcome setSmsNumbers(TransactionEngine& engine, const std::array<std::string, 3>& numbers);

// Whether a text is an SMS password the logger takes: exactly eight digits.
bool validSmsPassword(std::string_view text);

// Stores (old, new) in loggerParams.smsPasswords and sends them. Either one not of
// eight digits sends nothing (Invalid) and stores nothing.
SendOutcome setSmsPassword(TransactionEngine& engine, const std::string& oldPassword,
                              const std::string& newPassword);

// Answer timeout of the SMS commands: loggers of device type other than 0 take longer.
int smsTimeoutMs(const LoggerParameters& params);

}  // namespace tarvo
