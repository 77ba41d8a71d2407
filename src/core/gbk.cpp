#include "core/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "core/utf8.h"

namespace tarvo {

namespace {

// One iconv conversion descriptor, closed on destruction.
class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (ok()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

std::uint8_t byteAt(std::string_view s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

// The bytes one replacement character stands for at the start of malformed UTF-8.
std::size_t utf8SequenceLength(std::string_view s) {
    return firstUtf8Character(s).length;
}

// Bytes the GBK character at the start of `s` occupies when the decoder rejects it:
// a lead byte with a valid second byte is one unmapped character; otherwise only
// the first byte is skipped, so an ASCII second byte is read again.
std::size_t gbkBadLength(std::string_view s) {
    const std::uint8_t b0 = byteAt(s, 0);
    if (b0 >= 0x81 && b0 <= 0xFE && s.size() >= 2) {
        const std::uint8_t b1 = byteAt(s, 1);
        if (b1 >= 0x40 && b1 <= 0xFE && b1 != 0x7F) return 2;
    }
    return 1;
}

// Converts all of `in`; on a rejected sequence appends `replacement` and skips the
// bytes `badLength` names. Without a descriptor, ASCII passes and each other
// sequence is replaced.
template <typename BadLength>
std::string convert(const IconvHandle& cd, std::string_view in, std::string_view replacement,
                    BadLength badLength) {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    if (!cd.ok()) {
        while (!in.empty()) {
            if (byteAt(in, 0) < 0x80) {
                out += in[0];
                in.remove_prefix(1);
            } else {
                out += replacement;
                in.remove_prefix(badLength(in));
            }
        }
        return out;
    }
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    char chunk[1024];
    while (!in.empty()) {
        char* src = const_cast<char*>(in.data());  // iconv's interface; it only reads
        std::size_t srcLeft = in.size();
        char* dst = chunk;
        std::size_t dstLeft = sizeof chunk;
        const std::size_t r = iconv(cd.get(), &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(chunk, static_cast<std::size_t>(dst - chunk));
        in.remove_prefix(in.size() - srcLeft);
        if (r != static_cast<std::size_t>(-1) || in.empty()) continue;
        if (err == E2BIG) continue;  // output chunk full: go on with a fresh one
        // EILSEQ (malformed or unconvertible) or EINVAL (incomplete at the end).
        out += replacement;
        const std::size_t skip = badLength(in);
        in.remove_prefix(skip < in.size() ? skip : in.size());
    }
    return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    const IconvHandle cd("GBK", "UTF-8");
    return convert(cd, utf8, "?", utf8SequenceLength);
}

std::string gbkToUtf8(std::string_view gbk) {
    const IconvHandle cd("UTF-8", "GBK");
    return convert(cd, gbk, "\xEF\xBF\xBD", gbkBadLength);
}

std::string fixedGbkText(std::string_view utf8, std::size_t n) {
    std::string gbk = utf8ToGbk(utf8);
    std::size_t keep = 0;
    while (keep < gbk.size()) {
        const std::size_t len = byteAt(gbk, keep) >= 0x81 && keep + 1 < gbk.size() ? 2 : 1;
        if (keep + len > n) break;
        keep += len;
    }
    gbk.resize(keep);
    gbk.resize(n, ' ');
    return gbk;
}

}  // namespace tarvo
