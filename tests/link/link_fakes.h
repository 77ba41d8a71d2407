#pragma once
// Test doubles for the link: a serial line whose answers are scripted per write
// and arrive in virtual time, a messenger that records and answers from a script,
// and a listener that records what the windows would be told.

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/messenger.h"
#include "link/engine_listener.h"
#include "link/serial_port.h"
#include "link/virtual_timers.h"

namespace tarvo::test {

// An answer: its bytes arrive `delayMs` after the write, in `chunks` pieces
// `gapMs` apart (a slow logger trickles its answer in).
struct Reply {
    Bytes bytes;
    int delayMs = 30;
    int chunks = 1;
    int gapMs = 150;
};

class ScriptedPort : public SerialPort {
  public:
    explicit ScriptedPort(const VirtualTimers& clock) : clock_(clock) {}

    // Answers given to the writes, one per write, in order; std::nullopt is silence.
    // When the script runs dry, `respond` (if set) decides.
    std::deque<std::optional<Reply>> script;
    std::function<std::optional<Reply>(ByteView frame)> respond;

    bool openFails = false;
    int failedSetupSteps = 0;
    bool purgeFails = false;
    bool writeFails = false;
    bool readFails = false;

    std::vector<Bytes> written;
    std::vector<std::int64_t> writtenAt;  // virtual time of each write
    std::vector<LineSettings> opens;
    int closes = 0;

    PortOpenResult open(const LineSettings& settings) override {
        close();
        opens.push_back(settings);
        if (openFails) return {};
        open_ = true;
        return {true, failedSetupSteps};
    }
    bool isOpen() const override { return open_; }
    bool purgeInput() override {
        if (!open_ || purgeFails) return false;
        pending_.clear();
        return true;
    }
    std::int32_t bytesWaiting() override {
        std::int32_t n = 0;
        for (const auto& p : pending_) {
            if (p.at <= clock_.elapsedMs()) n += static_cast<std::int32_t>(p.bytes.size());
        }
        return n;
    }
    bool write(ByteView frame) override {
        if (!open_ || writeFails) return false;
        written.emplace_back(frame.begin(), frame.end());
        writtenAt.push_back(clock_.elapsedMs());
        std::optional<Reply> reply;
        if (!script.empty()) {
            reply = std::move(script.front());
            script.pop_front();
        } else if (respond) {
            reply = respond(frame);
        }
        if (reply) schedule(*reply);
        return true;
    }
    bool read(std::size_t count, Bytes& out) override {
        if (readFails) return false;
        while (count > 0 && !pending_.empty() && pending_.front().at <= clock_.elapsedMs()) {
            auto& chunk = pending_.front().bytes;
            const std::size_t take = std::min(count, chunk.size());
            out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<long>(take));
            chunk.erase(chunk.begin(), chunk.begin() + static_cast<long>(take));
            count -= take;
            if (chunk.empty()) pending_.pop_front();
        }
        return true;
    }
    void close() override {
        if (open_) ++closes;
        open_ = false;
        pending_.clear();
    }

  private:
    struct Chunk {
        std::int64_t at;
        Bytes bytes;
    };
    void schedule(const Reply& r) {
        const std::size_t parts = static_cast<std::size_t>(std::max(1, r.chunks));
        const std::size_t size = r.bytes.size();
        std::size_t from = 0;
        for (std::size_t i = 0; i < parts; ++i) {
            const std::size_t to = size * (i + 1) / parts;
            pending_.push_back(
                {clock_.elapsedMs() + r.delayMs + static_cast<std::int64_t>(i) * r.gapMs,
                 Bytes(r.bytes.begin() + static_cast<long>(from),
                       r.bytes.begin() + static_cast<long>(to))});
            from = to;
        }
    }

    const VirtualTimers& clock_;
    bool open_ = false;
    std::deque<Chunk> pending_;
};

class RecordingMessenger : public Messenger {
  public:
    std::vector<Message> shown;
    // Answers to questions, in order; when empty, `otherwise`.
    std::deque<Answer> answers;
    Answer otherwise = Answer::No;

    Answer show(const Message& m) override {
        shown.push_back(m);
        if (m.buttons == MessageButtons::Ok) return Answer::Ok;
        if (answers.empty()) return otherwise;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : shown) out.push_back(m.text);
        return out;
    }
};

class RecordingListener : public EngineListener {
  public:
    std::vector<std::string> echoes;
    std::vector<std::string> statuses;
    std::vector<DateTime> clocks;
    int enablings = 0;
    int reads = 0;
    int pleaseWaitShown = 0;
    int pleaseWaitClosed = 0;
    int liveResets = 0;
    // Called at every enabling; lets a test look at the engine at that moment.
    std::function<void()> onEnabling;

    void commandEcho(const std::string& text) override { echoes.push_back(text); }
    void statusText(const std::string& text) override { statuses.push_back(text); }
    void enablingChanged() override {
        ++enablings;
        if (onEnabling) onEnabling();
    }
    void parametersRead() override { ++reads; }
    void loggerClockChanged(DateTime clock) override { clocks.push_back(clock); }
    void showPleaseWait() override { ++pleaseWaitShown; }
    void closePleaseWait() override { ++pleaseWaitClosed; }
    void liveWindowReset() override { ++liveResets; }
};

}  // namespace tarvo::test
