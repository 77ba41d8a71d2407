#include "link/answer_profile.h"

#include <algorithm>
#include <array>
#include <bit>

namespace tarvo {

namespace {

constexpr std::uint8_t kAnswerStart = 0x3C;  // '<'
constexpr std::uint8_t kEnd = 0x66;          // 'f'
constexpr std::uint8_t kTab = 0x09;

// "XY-002" parameter answer: 3C A1 A2 … checksum(6 .. 333) at 334.
constexpr std::size_t kParameterAnswerLength = 335;
// "XY-001" block 2: positions 0 .. 109 of the parameter answer, then 66.
constexpr std::size_t kSecondBlockLength = 111;
// Acknowledgement: 3C A1 A2 function 09.
constexpr std::size_t kAckLength = 5;
// Live answer: 3C A1 A2 FF 39 n, four bytes per started channel, 66.
constexpr std::size_t kLiveHeaderLength = 6;
constexpr std::size_t kLiveValueLength = 4;
// Page answer: 3C A1 A2 x 36 Lh Ll page, L data bytes, checksum. A page without
// data is eight bytes: its byte 7 is both the page number 0 and the sum of 00 00.
constexpr std::size_t kPageLengthAt = 5;
constexpr std::size_t kPageFraming = 9;
constexpr std::size_t kEmptyPageLength = 8;
// "XY-001" loggers send their history in one answer sized by their storage capacity.
constexpr int kHistoryQueue = 10000;
constexpr int kLargestHistoryQueue = 32700;
// An answer with no bound of its own is taken to fit the smallest input queue.
constexpr std::size_t kAnyAnswerLength = 1024;

bool leadsWithLt(ByteView a) { return a.front() == kAnswerStart; }
bool endsWith(ByteView a, std::uint8_t b) { return a.back() == b; }
int lastIndex(ByteView a) { return static_cast<int>(a.size()) - 1; }

bool ackAccepted(const AnswerContext&, ByteView a) { return leadsWithLt(a) && endsWith(a, kTab); }
bool fEndAccepted(const AnswerContext&, ByteView a) { return leadsWithLt(a) && endsWith(a, kEnd); }

bool connectAccepted(const AnswerContext& c, ByteView a) {
    if (c.variant == Variant::XY001) return leadsWithLt(a);
    // The checksum must cover at least one byte: an answer that ends before its
    // data would otherwise pass with a 00 last byte.
    const int last = lastIndex(a);
    return leadsWithLt(a) && last > 6 && a[last] == checksum(a, 6, last - 1);
}

bool historyAccepted(const AnswerContext& c, ByteView a) {
    const int last = lastIndex(a);
    if (c.params.deviceType() != 0) return a[last] == checksum(a, 5, last - 1);
    return leadsWithLt(a) && endsWith(a, kEnd);
}

int historyQueue(const AnswerContext& c) {
    if (c.variant == Variant::XY002) return kHistoryQueue;
    return std::clamp<int>(c.params.storageCapacity, kHistoryQueue, kLargestHistoryQueue);
}

// The page length the logger announced in its parameters ("XY-002", upload words 0 or 1).
std::optional<std::size_t> announcedPage(const AnswerContext& c) {
    const auto pageLength = static_cast<std::uint16_t>(c.params.uploadWord3);
    if (c.variant != Variant::XY002 || pageLength == 0 ||
        (c.params.uploadWord1 != 0 && c.params.uploadWord1 != 1)) {
        return std::nullopt;
    }
    return pageLength + kPageFraming;
}

// A page carries its length; until its header is in, the announced page length is
// expected (a page can only be complete once the header has come anyway).
std::optional<std::size_t> historyLength(const AnswerContext& c, ByteView r) {
    if (c.params.deviceType() == kDeviceSingleAnswer) return std::nullopt;
    if (r.size() < kPageLengthAt + 2) return announcedPage(c);
    const std::size_t data = (std::size_t{r[kPageLengthAt]} << 8) | r[kPageLengthAt + 1];
    return data == 0 ? kEmptyPageLength : data + kPageFraming;
}

// A single answer (device type 0) may fill the input queue.
std::size_t historyLargest(const AnswerContext& c) {
    const auto queue = static_cast<std::size_t>(historyQueue(c));
    if (c.params.deviceType() == kDeviceSingleAnswer) return queue;
    return announcedPage(c).value_or(queue);
}

std::size_t liveLength(const AnswerContext& c) {
    const int channels = std::popcount(static_cast<std::uint16_t>(c.params.startedChannels & 0xFF));
    return kLiveHeaderLength + kLiveValueLength * static_cast<std::size_t>(channels) + 1;
}

std::optional<std::size_t> connectLength(const AnswerContext& c, ByteView) {
    // An "XY-001" block 1 carries no length of its own.
    if (c.variant == Variant::XY001) return std::nullopt;
    return kParameterAnswerLength;
}
// An "XY-001" block 1 is a part of the same record, so never longer.
std::size_t connectLargest(const AnswerContext&) { return kParameterAnswerLength; }
std::optional<std::size_t> secondBlockLength(const AnswerContext&, ByteView) {
    return kSecondBlockLength;
}
std::size_t secondBlockLargest(const AnswerContext&) { return kSecondBlockLength; }
std::optional<std::size_t> liveDeclared(const AnswerContext& c, ByteView) { return liveLength(c); }
std::size_t liveLargest(const AnswerContext&) {
    return kLiveHeaderLength + static_cast<std::size_t>(kChannelCount) * kLiveValueLength + 1;
}
std::optional<std::size_t> ackLength(const AnswerContext&, ByteView) { return kAckLength; }
std::size_t ackLargest(const AnswerContext&) { return kAckLength; }
// Four bytes say the old password was wrong, five that it was changed.
std::optional<std::size_t> passwordLength(const AnswerContext&, ByteView) { return std::nullopt; }
bool smsNumbersAccepted(const AnswerContext&, ByteView a) {
    return a.size() >= kAckLength && leadsWithLt(a) && a[4] == kTab;
}
// Any answer ends the password exchange; its length tells the outcome.
bool anyAccepted(const AnswerContext&, ByteView) { return true; }

// clang-format off
const std::array<ModeProfile, 10> kProfiles{{
    // mode                in             out  timeout           slow  input queue   declared length    largest answer      test
    {kModeConnect,         1024,          512, kStandardTimeout, 0,    nullptr,      connectLength,     connectLargest,     connectAccepted},
    {kModeIdentify,        1024,          512, kStandardTimeout, 0,    nullptr,      connectLength,     connectLargest,     connectAccepted},
    {kModeSecondBlock,     1024,          512, kStandardTimeout, 0,    nullptr,      secondBlockLength, secondBlockLargest, fEndAccepted},
    {kModeHistory,         kHistoryQueue, 512, kStandardTimeout, 0,    historyQueue, historyLength,     historyLargest,     historyAccepted},
    {kModeLive,            5000,          500, 800,              0,    nullptr,      liveDeclared,      liveLargest,        fEndAccepted},
    {kModeWriteParameters, 5000,          500, 3000,             6000, nullptr,      ackLength,         ackLargest,         ackAccepted},
    {kModeSettings,        5000,          500, 500,              0,    nullptr,      ackLength,         ackLargest,         ackAccepted},
    {kModeClock,           1024,          512, kStandardTimeout, 0,    nullptr,      ackLength,         ackLargest,         ackAccepted},
    {kModeSmsNumbers,      1024,          512, 3000,             6000, nullptr,      ackLength,         ackLargest,         smsNumbersAccepted},
    {kModeSmsPassword,     1024,          512, 3000,             6000, nullptr,      passwordLength,    ackLargest,         anyAccepted},
}};
// clang-format on

}  // namespace

const ModeProfile* modeProfile(int mode) {
    const auto it = std::find_if(kProfiles.begin(), kProfiles.end(),
                                 [mode](const ModeProfile& p) { return p.mode == mode; });
    return it == kProfiles.end() ? nullptr : &*it;
}

int inputQueueOf(const ModeProfile& profile, const AnswerContext& context) {
    return profile.inputQueueOf ? profile.inputQueueOf(context) : profile.inputQueue;
}

int timeoutOf(const ModeProfile& profile, const AnswerContext& context) {
    return profile.slowTimeoutMs != 0 && context.params.deviceType() != 0 ? profile.slowTimeoutMs
                                                                          : profile.timeoutMs;
}

std::optional<std::size_t> declaredLengthOf(int mode, const AnswerContext& context,
                                            ByteView received) {
    const ModeProfile* p = modeProfile(mode);
    return p ? p->declaredLength(context, received) : std::nullopt;
}

std::size_t largestLengthOf(int mode, const AnswerContext& context) {
    const ModeProfile* p = modeProfile(mode);
    return p ? p->largestLength(context) : kAnyAnswerLength;
}

bool answerAccepted(int mode, Variant variant, std::int16_t deviceType, ByteView answer) {
    const ModeProfile* p = modeProfile(mode);
    if (!p || answer.empty()) return false;
    LoggerParameters params;
    params.deviceBytes[3] = deviceType;
    return p->accepted(AnswerContext{variant, params}, answer);
}

}  // namespace tarvo
