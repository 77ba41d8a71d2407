#pragma once
// A fuzz input read from its front, field after field: numbers of a fixed width in the
// machine's own byte order, and runs of bytes each after a 16-bit length. Past the end
// every number reads 0 and every run is empty, so any input is a valid one.
// FuzzInputWriter lays out the same fields, so the seed corpus can start the fuzzer at
// inputs the program really meets (a logger's own parameters and pages).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "core/bytes.h"

namespace tarvo::fuzz {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }

    template <typename T>
    T number() {
        static_assert(std::is_arithmetic_v<T>);
        T value{};
        if (size_ - at_ >= sizeof(T)) {
            std::memcpy(&value, data_ + at_, sizeof(T));
            at_ += sizeof(T);
        } else {
            at_ = size_;
        }
        return value;
    }

    // A run of at most `longest` bytes (and no more than the input still holds).
    Bytes run(std::size_t longest) {
        const std::size_t length = std::min<std::size_t>({number<std::uint16_t>(), longest, size_ - at_});
        Bytes bytes(data_ + at_, data_ + at_ + length);
        at_ += length;
        return bytes;
    }

    std::string text(std::size_t longest) {
        const Bytes bytes = run(longest);
        return std::string(bytes.begin(), bytes.end());
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class FuzzInputWriter {
  public:
    template <typename T>
    void number(T value) {
        static_assert(std::is_arithmetic_v<T>);
        const auto* bytes = reinterpret_cast<const char*>(&value);
        bytes_.append(bytes, sizeof(T));
    }

    void run(const void* data, std::size_t length) {
        number(static_cast<std::uint16_t>(length));
        bytes_.append(static_cast<const char*>(data), length);
    }
    void run(const Bytes& bytes) { run(bytes.data(), bytes.size()); }
    void text(const std::string& text) { run(text.data(), text.size()); }

    const std::string& bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

// One field either way: read into `value`, or written from it. A layout written once
// with field() serves both the target and the seed writer.
template <typename T>
void field(FuzzInput& in, T& value) {
    value = in.number<T>();
}
template <typename T>
void field(FuzzInputWriter& out, const T& value) {
    out.number(value);
}

}  // namespace tarvo::fuzz
