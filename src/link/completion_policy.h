#pragma once
// When an answer is complete. Three rules, asked at every receive tick:
// - early: the answer holds exactly the length that its command or its own header
//   declares, and passes its test (the default);
// - strict: its byte count stood still over three receive ticks (always in strict
//   timing, and for answers without a declared length);
// - growth bound: an answer still not complete after twice its largest possible
//   length at the line speed plus the answer timeout is cut off as it stands, so no
//   stream of bytes can hold an exchange forever (in both timings).
// The policy owns only counts and times; the engine owns the timers and the bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/bytes.h"

namespace tarvo {

enum class Completion {
    NeedMore,  // keep gathering
    Complete,  // take the answer and test it
    Overflow,  // grew past its bound: take it as it stands and test it
};

// Milliseconds one byte takes on the line: start bit, 8 data bits, the parity bit
// unless the parity is none, one stop bit.
double byteTimeMs(int baudRate, char parity);

class CompletionPolicy {
  public:
    // The receive tick's standard interval; ticks of the three-tick rule are at
    // least about this far apart.
    static constexpr int kReceiveTickMs = 100;

    // A frame went out at `nowMs`; a new answer begins. `timeoutMs` is the answer
    // timeout of this transmission.
    void begin(std::int64_t nowMs, double byteMs, int timeoutMs, bool strict);

    // One receive tick with `received` bytes of the answer in hand. `declared` is
    // the length the answer declares (when known), `largest` the largest it can
    // be; `passes` tests the answer (asked only for an early completion).
    Completion tick(std::int64_t nowMs, std::size_t received,
                    std::optional<std::size_t> declared, std::size_t largest,
                    const std::function<bool()>& passes);

    // When the next receive tick is worth it: as soon as a declared length can have
    // arrived at the line speed, else one standard interval.
    int nextTickMs(std::size_t received, std::optional<std::size_t> declared) const;
    // How long the first tick after a transmission of `frameBytes` may wait before an
    // answer of `expected` bytes can be whole.
    int firstTickMs(std::size_t frameBytes, std::size_t expected) const;

    // The growth bound of an answer of at most `largest` bytes, in milliseconds.
    std::int64_t boundMs(std::size_t largest) const;

    bool strict() const { return strict_; }
    // The last answer was taken by its declared length.
    bool takenEarly() const { return takenEarly_; }

    // The input count seen at the previous counted tick (the answer timeout also
    // looks at it to see whether data is still coming).
    std::int32_t rxCount = 0;

  private:
    std::int32_t stableMemo_ = 0;  // the count remembered for the second stability test
    std::int64_t sentAtMs_ = 0;
    std::optional<std::int64_t> lastCountedMs_;
    std::size_t lastReceived_ = 0;
    bool grew_ = true;
    double byteMs_ = 0;
    int timeoutMs_ = 0;
    bool strict_ = true;
    bool takenEarly_ = false;
};

}  // namespace tarvo
