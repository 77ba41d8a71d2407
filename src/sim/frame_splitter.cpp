#include "sim/frame_splitter.h"

namespace tarvo {

namespace {

constexpr std::uint8_t kShortCommand = 0x23;
constexpr std::uint8_t kLongCommand = 0x25;
constexpr std::uint8_t kEnd = 0x66;
constexpr std::size_t kShortSize = 6;
constexpr std::size_t kLengthPos = 5;

}  // namespace

void FrameSplitter::feed(ByteView bytes, std::int64_t nowMs) {
    if (bytes.empty()) return;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    lastFeedMs_ = nowMs;
}

void FrameSplitter::dropFirst() {
    buffer_.erase(buffer_.begin());
    ++dropped_;
}

std::optional<Bytes> FrameSplitter::next(std::int64_t nowMs) {
    while (!buffer_.empty()) {
        const std::uint8_t first = buffer_[0];
        if (first != kShortCommand && first != kLongCommand) {
            dropFirst();
            continue;
        }
        std::size_t size = 0;
        if (first == kShortCommand) {
            size = kShortSize;
        } else if (buffer_.size() > kLengthPos) {
            size = kShortSize + buffer_[kLengthPos];
        }
        if (size == 0 || buffer_.size() < size) {
            // Incomplete: wait for the rest unless it has stopped coming.
            if (nowMs - lastFeedMs_ > staleMs_) {
                dropFirst();
                continue;
            }
            return std::nullopt;
        }
        if (first == kShortCommand && buffer_[kShortSize - 1] != kEnd) {
            dropFirst();
            continue;
        }
        Bytes frame(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size));
        return frame;
    }
    return std::nullopt;
}

}  // namespace tarvo
