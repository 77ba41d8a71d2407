#pragma once
// Parameter answers of a logger, built byte by byte at their documented positions.

#include <initializer_list>

#include "core/bytes.h"
#include "core/date_time.h"
#include "link/frames.h"

namespace tarvo::test {

class Xy002Answer {
  public:
    explicit Xy002Answer(int address = 1) : b_(335, 0) {
        b_[0] = 0x3C;
        const auto a = encodeAddress(address);
        b_[1] = a[0];
        b_[2] = a[1];
    }

    Xy002Answer& put(int pos, std::initializer_list<int> bytes) {
        for (int v : bytes) b_.at(static_cast<std::size_t>(pos++)) = static_cast<std::uint8_t>(v);
        return *this;
    }
    // date8: year high, year low, month, day, hour, minute, second, one more byte.
    Xy002Answer& date8(int pos, const CivilTime& t, int eighth = 0) {
        return put(
            pos, {t.year >> 8, t.year & 0xFF, t.month, t.day, t.hour, t.minute, t.second, eighth});
    }
    // The "XY-002" answer with its checksum in the last byte.
    Bytes sealed() const {
        Bytes out = b_;
        out.back() = checksum(out, 6, static_cast<int>(out.size()) - 2);
        return out;
    }
    // "XY-001" block 1: the members from position 110 on, 99 bytes earlier, then "f".
    Bytes block1() const {
        Bytes out(199, 0);
        out[0] = 0x3C;
        out[1] = b_[1];
        out[2] = b_[2];
        for (std::size_t i = 11; i <= 197; ++i) out[i] = b_[i + 99];
        out.back() = 0x66;
        return out;
    }
    // "XY-001" block 2: positions 0 to 109 as in "XY-002", then "f".
    Bytes block2() const {
        Bytes out(b_.begin(), b_.begin() + 110);
        out.push_back(0x66);
        return out;
    }

  private:
    Bytes b_;
};

// A plausible logger: channels 0, 1 and 3 started, ten-minute interval, started
// immediately and recording, firmware of May 2006, device type 1, clock at `clock`.
inline Xy002Answer typicalLogger(const CivilTime& clock, int deviceType = 1, int address = 1) {
    Xy002Answer a(address);
    a.put(6, {1, 2, 0, 5}).put(14, {1, 2, 0, 20}).put(22, {2, 129, 0, 4});
    a.put(102, {0x0B}).put(103, {7, 8, 9, deviceType}).put(107, {6, 5, 1});
    a.put(110, {3}).put(111, {0x80, 0x00}).put(117, {0x7F, 0xFE});
    a.put(121, {'N', 0, 'a', 0});
    a.put(153, {20, 6, 3, 7, 8, 0, 0});  // last connect 2006-03-07 08:00:00
    a.put(160, {0, 10, 0}).put(163, {1}).put(167, {1});
    a.put(168, {0, 100, 0}).put(174, {1});
    a.date8(326, clock);
    return a;
}

}  // namespace tarvo::test
