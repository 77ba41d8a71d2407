#pragma once
// The command frames the workstation sends, the checksum, and how an answer is
// recognised. Pure functions of bytes; the engine owns timing, the port owns bytes.
//
// Long command:  25 A1 A2 30 F L d… terminator   (L counts the bytes after it)
// Short command: 23 A1 A2 x y 66
// Answer:        3C A1 A2 …  ending in 66, 09 or a checksum, per command
// A1 A2 carry the device address as two nibbles plus 0x30.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "core/date_time.h"

namespace tarvo {

struct LoggerParameters;

// Transaction codes naming the pending operation.
enum Mode : int {
    kModeIdle = 0,
    kModeSecondBlock = 2,
    kModeHistory = 6,
    kModeLive = 9,
    kModeWriteParameters = 17,
    kModeSettings = 28,  // stop, power mode, reset
    kModeClock = 31,
    kModeConnect = 33,
    kModeSmsNumbers = 34,
    kModeSmsPassword = 35,
    kModeIdentify = 36,  // live sampling asks who answers on a port that came back
};

// Protocol variants ("XY-001" answers in two blocks, "XY-002" in one with a checksum).
enum class Variant { XY001 = 1, XY002 = 2 };

inline constexpr int kMinAddress = 1;
inline constexpr int kMaxAddress = 100;

std::array<std::uint8_t, 2> encodeAddress(int address);
// The address a logger echoes in bytes 1 and 2 of its answer.
int decodeAddress(std::uint8_t a1, std::uint8_t a2);

// Sum of bytes from..to inclusive, modulo 256; 0 for an empty range. Positions
// outside the frame are not summed.
std::uint8_t checksum(ByteView frame, int from, int to);

enum class HistoryRequest { FirstXY002, FirstXY001, NextPage, SamePageAgain };

Bytes connectFrame(int address, Variant variant);
Bytes secondBlockFrame(int address);
Bytes closingFrame();
Bytes historyFrame(int address, HistoryRequest request);
Bytes liveFrame(int address);
Bytes stopFrame(int address);
Bytes powerModeFrame(int address, bool normal);
// Levels 1 to 5; nothing for any other level.
std::optional<Bytes> resetFrame(int address, int level);
Bytes clockFrame(int address, const CivilTime& time);
// Each number of exactly 11 digits is sent; any other becomes 11 zero bytes and
// does not count.
Bytes smsNumbersFrame(int address, const std::array<std::string, 3>& numbers);
// Eight digits each, every one sent as the pair 00, character code. A shorter
// text is padded with 00 00 pairs; characters after the eighth are not sent.
Bytes smsPasswordFrame(int address, const std::string& oldPassword, const std::string& newPassword);
// The 185-byte parameter write, stamped with `now` at positions 40..46. A timed
// start is sent as a delayed start counting down from `now`; an alarm limit of
// -32768, which has no sign-and-magnitude form, is sent as -32767.
Bytes parameterFrame(int address, const LoggerParameters& params, DateTime now);
// Refreshes the time stamp and checksum of a parameter frame before it is resent.
// A frame that is not 185 bytes long is left as it is.
void restampParameterFrame(Bytes& frame, DateTime now);

// The echo of a sent frame: two upper-case hex digits and a space per byte.
std::string hexEcho(ByteView frame);

}  // namespace tarvo
