#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ostream>

namespace tarvo {

namespace {

std::int64_t steadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

speed_t speedOf(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B9600;
    }
}

}  // namespace

PtyServer::PtyServer(SimConfig config, bool pace) : pacer_(lineOf(config, pace)) {
    configs_.push_back(std::move(config));
}

PtyServer::PtyServer(std::vector<SimConfig> configs, SimLine line)
    : configs_(std::move(configs)), pacer_(line) {}

PtyServer::~PtyServer() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
}

bool PtyServer::open(std::string& error) {
    if (!openPty(error)) return false;
    const DateTime now = currentDateTime();
    for (const SimConfig& config : configs_) loggers_.push_back(std::make_unique<SimLogger>(config, now));
    return true;
}

bool PtyServer::setLink(std::string path, std::string& error) {
    link_ = std::move(path);
    return pointLink(error);
}

bool PtyServer::pointLink(std::string& error) {
    if (link_.empty() || slavePath_.empty()) return true;
    const std::string fresh = link_ + ".new";
    ::unlink(fresh.c_str());
    if (::symlink(slavePath_.c_str(), fresh.c_str()) != 0 ||
        ::rename(fresh.c_str(), link_.c_str()) != 0) {
        error = systemError(("cannot link " + link_).c_str());
        ::unlink(fresh.c_str());
        return false;
    }
    return true;
}

void PtyServer::unplug() {
    if (!link_.empty()) ::unlink(link_.c_str());
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
    slavePath_.clear();
    out_.clear();
    splitter_ = FrameSplitter();
    outputBlocked_ = false;
}

bool PtyServer::plugIn(std::string& error) {
    if (plugged()) return true;
    return openPty(error) && pointLink(error);
}

bool PtyServer::openPty(std::string& error) {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
        error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, speedOf(pacer_.line().baudRate));
        ::cfsetospeed(&tio, speedOf(pacer_.line().baudRate));
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError("cannot set up the pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        return false;
    }
    slavePath_ = name;
    return true;
}

void PtyServer::schedule(const SimReply& reply, std::int64_t nowUs) {
    // The frame has arrived in real time: the loggers hear it now.
    const std::vector<double> times = pacer_.schedule(reply, static_cast<double>(nowUs) / 1000.0);
    for (std::size_t i = 0; i < times.size(); ++i) {
        out_.push_back({static_cast<std::int64_t>(times[i] * 1000.0), (*reply.bytes)[i]});
    }
}

bool PtyServer::flushDue(std::int64_t nowUs, std::string& error) {
    Bytes due;
    for (const Scheduled& s : out_) {
        if (s.atUs > nowUs) break;
        due.push_back(s.byte);
    }
    if (due.empty()) return true;
    const ssize_t n = ::write(master_, due.data(), due.size());
    if (n < 0) {
        // Nobody reads the other side and its queue is full: wait until it drains.
        outputBlocked_ = errno == EAGAIN;
        if (errno == EAGAIN || errno == EINTR) return true;
        error = systemError("cannot write to the pseudo-terminal");
        return false;
    }
    outputBlocked_ = false;
    out_.erase(out_.begin(), out_.begin() + n);
    return true;
}

int PtyServer::run(const std::atomic<bool>& stop, std::string& error,
                   std::atomic<bool>* replug) {
    if (master_ < 0) {
        error = "the pseudo-terminal is not open";
        return 1;
    }
    std::uint8_t buffer[4096];
    while (!stop.load()) {
        if (replug && replug->exchange(false)) {
            if (plugged()) {
                unplug();
            } else if (!plugIn(error)) {
                return 1;
            }
        }
        if (!plugged()) {
            ::usleep(20000);
            continue;
        }
        std::int64_t now = steadyUs();
        if (!flushDue(now, error)) return 1;
        // Sleep until the next byte is due, a frame arrives, or it is time to look at
        // the stop flag again.
        int timeoutMs = 100;
        if (outputBlocked_) {
            timeoutMs = 100;  // POLLOUT below wakes us when there is room again
        } else if (!out_.empty()) {
            const std::int64_t waitUs = out_.front().atUs - now;
            timeoutMs = static_cast<int>(std::clamp<std::int64_t>((waitUs + 999) / 1000, 1, 100));
        } else if (splitter_.pending() > 0) {
            timeoutMs = 50;  // a partial frame may go stale
        }
        pollfd p{master_, static_cast<short>(POLLIN | (outputBlocked_ ? POLLOUT : 0)), 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            error = systemError("cannot wait on the pseudo-terminal");
            return 1;
        }
        if (ready > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                splitter_.feed(ByteView(buffer, static_cast<std::size_t>(n)), steadyUs() / 1000);
            }
        } else if (ready > 0 && !(p.revents & POLLOUT)) {
            // Hang-up or error without data: do not spin on it.
            ::usleep(20000);
        }
        now = steadyUs();
        while (auto frame = splitter_.next(now / 1000)) {
            const DateTime pcNow = currentDateTime();
            for (auto& logger : loggers_) {
                const std::size_t before = out_.size();
                schedule(logger->respond(*frame, pcNow), now);
                if (out_.size() > before) {
                    logger->answerSent(pcNow +
                                       static_cast<double>(out_.back().atUs - now) / 86400e6);
                }
            }
        }
    }
    return 0;
}

int servePty(const SimConfig& config, bool pace, std::ostream& out, std::ostream& err,
             const std::atomic<bool>& stop) {
    return servePty(std::vector<SimConfig>{config}, lineOf(config, pace), out, err, stop);
}

int servePty(std::vector<SimConfig> configs, SimLine line, std::ostream& out, std::ostream& err,
             const std::atomic<bool>& stop) {
    PtyServer server(std::move(configs), line);
    std::string error;
    if (!server.open(error)) {
        err << error << '\n';
        return 1;
    }
    out << server.slavePath() << std::endl;
    const int status = server.run(stop, error);
    if (status != 0) err << error << '\n';
    return status;
}

int servePty(std::vector<SimConfig> configs, SimLine line, const std::string& link,
             std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
             std::atomic<bool>& replug) {
    PtyServer server(std::move(configs), line);
    std::string error;
    if (!server.open(error) || !server.setLink(link, error)) {
        err << error << '\n';
        return 1;
    }
    out << link << std::endl;
    const int status = server.run(stop, error, &replug);
    server.unplug();  // the link goes with the server
    if (status != 0) err << error << '\n';
    return status;
}

}  // namespace tarvo
