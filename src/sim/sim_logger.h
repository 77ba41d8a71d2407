#pragma once
// The simulated logger: its state and its answer to every command frame.
//
// It keeps its own clock (the PC time it is given plus an offset the set-clock
// command changes) and, while recording, takes one more record per interval. Its
// memory is a ring of `totalSpace` records in physical order: once the record count
// passes the capacity, the upload starts with the newest records at the ring's start,
// exactly as the workstation expects of a wrapped memory.
//
// What each reset level clears:
//   1  stops the recording (work status 2, last stop time = its clock);
//   2  as 1, and clears the memory (record count 0, overflow 0, address 0C00);
//   3  as 2, and erases the SMS numbers and restores the configured SMS password;
//   4  as 3, and restores the configured parameters (names, interval, start and stop
//      modes and times, stop count, power mode, record and alarm channels, curves,
//      alarm limits);
//   5  as 4, and restores the configured clock offset.
//
// History upload (device type not 0): the first request (or any request when no
// upload is under way) sends page 0 of the memory as it is at that moment; each
// "next" request the following page; "same again" repeats the last page sent. Asked
// past the end, it repeats the last page once more and the upload is over. Any other
// command, and ten seconds of silence on the line (from the last byte the logger
// sent, as the line tells it with answerSent) without a history request, also end an
// upload. Like the
// real logger it cannot tell a resent "next" from a new one: it sends the next page.
// Device type 0 sends the whole memory in one answer to every request.
//
// Faults act on the answer of a command that took effect: "noAnswer" loses the
// answer, not the command. Scripted faults (injectFault) are consulted before the
// configured ones.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "sim/sim_config.h"

namespace tarvo {

struct SimReply {
    std::optional<Bytes> bytes;  // nothing: the logger stays silent
    bool trickle = false;        // the answer is to be sent very slowly
    bool understood = false;     // the frame was a command addressed to this logger
    SimCommand command = SimCommand::Any;
};

// The logger's programmable and recorded state.
struct SimState {
    std::string userName;
    std::string title;
    int intervalSeconds = 600;
    std::int16_t startMode = kStartImmediately;
    int startDelaySeconds = 0;
    std::int16_t stopMode = kStopMemoryFull;
    std::int16_t stopCount = 0;
    std::int16_t powerMode = kPowerNormal;
    std::int16_t workStatus = kWorkRecording;
    std::int16_t writeWord = 0;
    std::int16_t stopReason = 3;
    std::int16_t recordChannels = 0;
    std::int16_t alarmChannels = 0;
    PerChannel<std::int16_t> curve{};
    PerChannel<std::int16_t> alarmLow{};
    PerChannel<std::int16_t> alarmHigh{};
    DateTime timedStartTime = 0;
    DateTime timedStopTime = 0;
    DateTime lastStopTime = 0;
    // The time the last write stamped it with, reported as its connect time; the
    // recording runs from it (after the start delay) in PC terms.
    DateTime connectStamp = 0;
    std::int32_t recordCount = 0;
    std::optional<std::int32_t> recordAddressOverride;
    std::optional<std::int16_t> overflowOverride;
    DateTime clockOffset = 0;  // logger clock minus PC clock, in days
    std::string smsPassword;
    std::array<std::string, 3> phoneNumbers;
};

class SimLogger {
public:
    SimLogger(SimConfig config, DateTime pcNow);

    // The logger's reaction to one whole command frame received at `pcNow`.
    SimReply respond(ByteView frame, DateTime pcNow);
    std::optional<Bytes> answer(ByteView frame, DateTime pcNow) {
        return respond(frame, pcNow).bytes;
    }

    // Scripted faults on top of the configured ones: after `skip` answers to `command`,
    // the next `count` of them get `kind`.
    void injectFault(SimFaultKind kind, int count, SimCommand command = SimCommand::Any,
                     int skip = 0);

    // The line reports when the last byte of an answer has left (PC time); a slow
    // answer thus does not count as silence.
    void answerSent(DateTime lastByteAt) { lastSentAt_ = std::max(lastSentAt_, lastByteAt); }

    // Brings the recording up to `pcNow` (records taken, stop conditions met).
    void advance(DateTime pcNow);

    const SimConfig& config() const { return config_; }
    const SimState& state() const { return state_; }
    int address() const { return config_.address; }
    int recordWidth() const { return recordWidth_; }
    std::int32_t totalSpace() const;
    std::int16_t overflowCount() const;
    std::int32_t recordAddress() const;
    // When the recording started or starts, in PC terms.
    DateTime recordingStart() const;
    DateTime loggerClock(DateTime pcNow) const { return pcNow + state_.clockOffset; }

    // Value of record `index` (0 = first since the start) on `channel`, before encoding.
    double sampleValue(int channel, std::int64_t index) const;
    // The live value of `channel` at `pcNow`.
    double liveValue(int channel, DateTime pcNow) const;
    // The memory as the upload sends it: the ring in physical order, records of the
    // started channels in ascending channel order.
    Bytes memoryImage() const;

    // Answers, built from the current state (no fault applied).
    Bytes parameterAnswer(DateTime pcNow) const;  // "XY-002", 335 bytes
    Bytes firstBlockAnswer() const;               // "XY-001" block 1
    Bytes secondBlockAnswer() const;              // "XY-001" block 2

private:
    struct ActiveFault {
        SimFault fault;
        int skipLeft = 0;
        int nextLeft = 0;
    };

    Bytes buildParameters(DateTime pcNow, bool yearQuirk) const;
    SimReply dispatch(ByteView frame, DateTime pcNow);
    std::optional<Bytes> historyAnswer(std::uint8_t request, DateTime pcNow);
    Bytes pageAnswer(int page, std::uint8_t request) const;
    Bytes singleAnswer(std::uint8_t request) const;
    Bytes liveAnswer(DateTime pcNow) const;
    Bytes ack(std::uint8_t function) const;
    bool adoptParameters(ByteView frame, DateTime pcNow);
    void restartRecording(DateTime pcNow);
    void stopRecording(DateTime pcNow);
    void clearMemory();
    void applyConfiguredParameters();
    void resetUpload();
    void applyFault(SimReply& reply);

    SimConfig config_;
    SimState state_;
    int recordWidth_ = 0;
    bool configuredSamples_ = true;  // the configured sample arrays describe the memory
    // Growth: countAtRef_ records at growthRef_ (PC terms), one more per interval.
    bool growing_ = false;
    std::int32_t countAtRef_ = 0;
    DateTime growthRef_ = 0;
    // Upload in progress: the memory as it was at the first page, and the last page sent.
    Bytes uploadImage_;
    int lastPage_ = -1;
    Bytes lastPageAnswer_;
    DateTime lastHistoryAt_ = 0;
    DateTime lastSentAt_ = 0;
    std::vector<ActiveFault> faults_;
    std::mt19937_64 random_;
};

}  // namespace tarvo
