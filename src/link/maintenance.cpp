#include "link/maintenance.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/logger_parameters.h"
#include "link/answer_profile.h"
#include "link/frames.h"
#include "link/transaction_engine.h"

namespace tarvo {

namespace {

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

SendOutcome sendSetting(TransactionEngine& engine, Bytes frame) {
    // Stop, power mode and reset start with fresh counters.
    engine.startExchange(kModeSettings, std::move(frame), true);
    return SendOutcome::Sent;
}

}  // namespace

SendOutcome stopLogger(TransactionEngine& engine, Messenger& messenger) {
    if (engine.busy()) return SendOutcome::Busy;
    if (messenger.ask(std::string(kStopQuestion), std::string(kStopTitle)) != Answer::Yes)
        return SendOutcome::Declined;
    engine.setStopIssued(1);
    return sendSetting(engine, stopFrame(engine.deviceAddress()));
}

SendOutcome setPowerMode(TransactionEngine& engine, bool normal) {
    if (engine.busy()) return SendOutcome::Busy;
    return sendSetting(engine, powerModeFrame(engine.deviceAddress(), normal));
}

SendOutcome resetLogger(TransactionEngine& engine, int level) {
    if (engine.busy()) return SendOutcome::Busy;
    std::optional<Bytes> frame = resetFrame(engine.deviceAddress(), level);
    if (!frame) return SendOutcome::Invalid;
    return sendSetting(engine, std::move(*frame));
}

SendOutcome setLoggerClockTo(TransactionEngine& engine, DateTime clock) {
    if (engine.busy()) return SendOutcome::Busy;
    engine.loggerParams().loggerClock = clock;
    engine.setLoggerClock();
    return SendOutcome::Sent;
}

std::string phoneNumberEntry(std::string_view text) {
    if (text.size() != static_cast<std::size_t>(kPhoneNumberLength) || !allDigits(text)) return {};
    return std::string(text);
}

int smsTimeoutMs(const LoggerParameters& params) {
    return timeoutOf(*modeProfile(kModeSmsNumbers), AnswerContext{Variant::XY002, params});
}

SendOutcome setSmsNumbers(TransactionEngine& engine, const std::array<std::string, 3>& numbers) {
    if (engine.busy()) return SendOutcome::Busy;
    LoggerParameters& params = engine.loggerParams();
    for (std::size_t i = 0; i < numbers.size(); ++i)
        params.phoneNumbers[i] = phoneNumberEntry(numbers[i]);
    engine.startExchange(kModeSmsNumbers,
                         smsNumbersFrame(engine.deviceAddress(), params.phoneNumbers), false);
    return SendOutcome::Sent;
}

bool validSmsPassword(std::string_view text) {
    return text.size() == static_cast<std::size_t>(kSmsPasswordLength) && allDigits(text);
}

SendOutcome setSmsPassword(TransactionEngine& engine, const std::string& oldPassword,
                              const std::string& newPassword) {
    if (engine.busy()) return SendOutcome::Busy;
    // A shorter text would go out padded with zero bytes and could set a password
    // nobody can type.
    if (!validSmsPassword(oldPassword) || !validSmsPassword(newPassword))
        return SendOutcome::Invalid;
    LoggerParameters& params = engine.loggerParams();
    params.smsPasswords = {oldPassword, newPassword};
    engine.startExchange(kModeSmsPassword,
                         smsPasswordFrame(engine.deviceAddress(), oldPassword, newPassword), false);
    return SendOutcome::Sent;
}

}  // namespace tarvo
