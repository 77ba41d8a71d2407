#pragma once
// Serves a simulated line on a new pseudo-terminal: the workstation opens the slave
// side as its serial port. Every logger hears every frame and only the one it
// addresses answers. The pseudo-terminal passes bytes at any speed, so the server
// paces the answers itself at the line's speed (unless pacing is off).

#include <atomic>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "sim/frame_splitter.h"
#include "sim/sim_config.h"
#include "sim/sim_line.h"
#include "sim/sim_logger.h"

namespace tarvo {

class PtyServer {
public:
    // One logger; the line is the one its configuration describes.
    PtyServer(SimConfig config, bool pace);
    // Several loggers on one line (their addresses differ).
    PtyServer(std::vector<SimConfig> configs, SimLine line);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal (raw, no echo). False with the reason in `error`.
    bool open(std::string& error);
    const std::string& slavePath() const { return slavePath_; }
    // Answers frames until `stop` becomes true; checks it at least every 100 ms.
    // Returns 0, or 1 when the pseudo-terminal failed (the reason in `error`).
    // Each time `replug` is set (and cleared here) the line is unplugged or plugged
    // back in turn, as a USB adapter is (see unplug and plugIn).
    int run(const std::atomic<bool>& stop, std::string& error,
            std::atomic<bool>* replug = nullptr);
    // The device goes away: the pseudo-terminal is closed and `link`, when given,
    // removed. What was on the line is lost; the loggers keep their state.
    void unplug();
    // The device comes back on a new pseudo-terminal; `link`, when given, is switched
    // to it in one step (a new link renamed over the old path).
    bool plugIn(std::string& error);
    bool plugged() const { return master_ >= 0; }
    // A symbolic link kept pointing at the current pseudo-terminal. False with the
    // reason in `error` when it cannot be made.
    bool setLink(std::string path, std::string& error);
    SimLogger& logger(std::size_t index = 0) { return *loggers_.at(index); }
    std::size_t loggerCount() const { return loggers_.size(); }

private:
    struct Scheduled {
        std::int64_t atUs;
        std::uint8_t byte;
    };

    void schedule(const SimReply& reply, std::int64_t nowUs);
    bool flushDue(std::int64_t nowUs, std::string& error);
    bool openPty(std::string& error);
    bool pointLink(std::string& error);

    std::vector<SimConfig> configs_;
    LinePacer pacer_;
    int master_ = -1;
    int slave_ = -1;  // kept open so that the master never sees a hang-up between clients
    std::string slavePath_;
    std::string link_;
    std::vector<std::unique_ptr<SimLogger>> loggers_;
    FrameSplitter splitter_;
    std::deque<Scheduled> out_;
    bool outputBlocked_ = false;
};

// The `simulate` command: prints the slave device path as the first line of `out`,
// then serves until `stop` is set. Returns the exit status (0, or 1 with the reason
// on `err`).
int servePty(const SimConfig& config, bool pace, std::ostream& out, std::ostream& err,
             const std::atomic<bool>& stop);
int servePty(std::vector<SimConfig> configs, SimLine line, std::ostream& out, std::ostream& err,
             const std::atomic<bool>& stop);
// The same behind the symbolic link `link` (printed as the first line instead of the
// pseudo-terminal); each time `replug` is set the line is unplugged or plugged back.
int servePty(std::vector<SimConfig> configs, SimLine line, const std::string& link,
             std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
             std::atomic<bool>& replug);

}  // namespace tarvo
