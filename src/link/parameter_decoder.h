#pragma once
// Decoding of the logger's parameter and status answers into a LoggerParameters
// record, the members derived from them, and the logger-clock check.
//
// "XY-002" answers a connect with one 335-byte block guarded by a checksum;
// "XY-001" answers with block 1 (record, times, alarm limits) and, on request,
// block 2 (channel settings, device bytes, firmware date).
//
// The decoders write the record in place. A member whose bytes lie (partly) beyond
// the end of a short answer keeps its previous value and decoding goes on; they
// report failure only when they cannot run at all: an empty answer, or one that
// does not start with "<". Checksum and terminator are the engine's business.

#include <string>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "link/frames.h"

namespace tarvo {

inline constexpr int kXY002AnswerSize = 335;

// Decodes an "XY-002" parameter answer, then computes the derived members.
bool decodeXY002(ByteView answer, LoggerParameters& params);
// Decodes "XY-001" block 1. The logger does not send its clock in this variant:
// `loggerClock` becomes `pcNow`. Only `intervalTotalSeconds` of the derived members
// is computed here.
bool decodeXY001Block1(ByteView answer, LoggerParameters& params, DateTime pcNow);
// Decodes "XY-001" block 2, then computes the derived members.
bool decodeXY001Block2(ByteView answer, LoggerParameters& params);

// recordWidth, totalSpace, intervalTotalSeconds, loggerStartTime, countStopTime /
// fullStopTime and expectedStopTime from the members read from the logger.
void computeDerivedMembers(LoggerParameters& params);

// Eight UTF-16 code units, low byte first, as UTF-8. With `skipZeroUnits` a unit
// whose two bytes are both 0 is left out (the text goes on after it); without it
// every unit is taken, then leading and trailing spaces and zero units are
// removed. An unpaired surrogate becomes U+FFFD.
std::string decodeText16(ByteView sixteen, bool skipZeroUnits);

// Whether the logger's firmware is dated after 25 February 2005 (newer loggers
// restart faster and deliver their history without a fresh parameter read).
bool firmwareAfterFeb2005(const LoggerParameters& params);

// Whether this logger's clock is checked after a connect in this variant.
bool clockCheckNeeded(const LoggerParameters& params, Variant variant);
// How far the logger clock may be off: the recording interval, but at least ten
// minutes ("XY-002") or ten seconds ("XY-001").
DateTime clockTolerance(const LoggerParameters& params, Variant variant);
// Whether the operator is to be asked to set the logger clock: the check applies
// and the logger clock is at least the tolerance away from `pcNow`.
bool loggerClockWrong(const LoggerParameters& params, Variant variant, DateTime pcNow);

}  // namespace tarvo
