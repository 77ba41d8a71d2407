#pragma once
// Cuts the byte stream a logger hears into command frames:
//   short: 23 and five more bytes, the last 66;
//   long:  25 … with 6 + byte 5 bytes in all.
// Anything else is dropped byte by byte until a frame start lines up again, and a
// frame that stays incomplete for longer than the stale time is given up the same way.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/bytes.h"

namespace tarvo {

class FrameSplitter {
public:
    explicit FrameSplitter(std::int64_t staleMs = 500) : staleMs_(staleMs) {}

    void feed(ByteView bytes, std::int64_t nowMs);
    // The next whole frame, if one has arrived.
    std::optional<Bytes> next(std::int64_t nowMs);
    std::size_t pending() const { return buffer_.size(); }
    std::size_t dropped() const { return dropped_; }

private:
    void dropFirst();

    Bytes buffer_;
    std::int64_t lastFeedMs_ = 0;
    std::int64_t staleMs_;
    std::size_t dropped_ = 0;
};

}  // namespace tarvo
