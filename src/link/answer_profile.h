#pragma once
// What the engine knows of each operation's exchange, one row per mode: the queue
// sizes and the answer timeout of its first transmission, the length its answer
// declares, the largest answer it can bring, and the test the answer must pass.
// A new mode is one new row in the table of answer_profile.cpp.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/bytes.h"
#include "core/logger_parameters.h"
#include "link/frames.h"

namespace tarvo {

// A command's timeout of 200 ms stands for the standard timeout, OverTime.
inline constexpr int kStandardTimeout = 200;

// What an answer's facts may depend on: the protocol variant in use and the
// connected logger's parameters (device type, page length, started channels).
struct AnswerContext {
    Variant variant = Variant::XY002;
    const LoggerParameters& params;
};

struct ModeProfile {
    int mode = kModeIdle;
    int inputQueue = 1024;
    int outputQueue = 512;
    int timeoutMs = kStandardTimeout;
    // Loggers of device type other than 0 are given this timeout instead (0: the same).
    int slowTimeoutMs = 0;
    // The input queue when it depends on the logger (nullptr: inputQueue).
    int (*inputQueueOf)(const AnswerContext&) = nullptr;
    // The whole answer's length once it is known, from the command or from the
    // answer's own header (`received` holds what arrived so far). Nothing when the
    // answer has no length of its own, or its header has not arrived yet.
    std::optional<std::size_t> (*declaredLength)(const AnswerContext&, ByteView received) = nullptr;
    // The largest answer the command can bring.
    std::size_t (*largestLength)(const AnswerContext&) = nullptr;
    // Whether a complete answer passes the mode's test.
    bool (*accepted)(const AnswerContext&, ByteView answer) = nullptr;
};

// The row of `mode`; nullptr for a mode without one (idle, unknown).
const ModeProfile* modeProfile(int mode);

int inputQueueOf(const ModeProfile& profile, const AnswerContext& context);
int timeoutOf(const ModeProfile& profile, const AnswerContext& context);
// The length the answer declares, if known yet.
std::optional<std::size_t> declaredLengthOf(int mode, const AnswerContext& context,
                                            ByteView received);
// The largest answer of `mode`; the input queue of its first transmission when
// nothing better is known.
std::size_t largestLengthOf(int mode, const AnswerContext& context);

// Whether a complete answer passes the test of the pending mode. For mode 33 in
// variant "XY-001" only the leading "<" is tested here; the decoder decides the rest.
// An empty answer is never accepted, and neither is an "XY-002" parameter answer
// too short for its checksum to cover any byte (fewer than 8 bytes). A mode without
// a test of its own is not accepted.
bool answerAccepted(int mode, Variant variant, std::int16_t deviceType, ByteView answer);

}  // namespace tarvo
