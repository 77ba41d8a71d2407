#pragma once
// A pseudo-terminal for end-to-end tests: a thread reads what tarvo-cli writes to it
// and, given noise, writes one byte at a steady pace whatever it hears, as a peer that
// never falls silent.

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>

namespace tarvo::testing {

class PtyPeer {
public:
    struct Noise {
        char byte = 0;
        std::chrono::milliseconds every{30};
    };

    explicit PtyPeer(std::optional<Noise> noise = std::nullopt) {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
        // Raw, so that the noise is not echoed back as if the other end had written it.
        termios tio{};
        if (::tcgetattr(slave_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave_, TCSANOW, &tio);
        }
        char name[128] = {};
        if (::ptsname_r(master_, name, sizeof name) == 0) path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        const auto pause = noise ? noise->every : std::chrono::milliseconds(30);
        thread_ = std::thread([this, noise, pause] {
            char buffer[4096];
            while (!stop_) {
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) {
                    heard_.append(buffer, static_cast<std::size_t>(n));
                    heardBytes_ = heard_.size();
                }
                if (noise) {
                    [[maybe_unused]] const ssize_t w = ::write(master_, &noise->byte, 1);
                }
                std::this_thread::sleep_for(pause);
            }
        });
    }
    ~PtyPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    QString path() const { return QString::fromStdString(path_); }
    // Whether the other end has written anything yet.
    bool heardAnything() const { return heardBytes_ > 0; }
    // What the other end wrote; stops the thread first.
    std::string heard() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        char buffer[4096];
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;) {
            heard_.append(buffer, static_cast<std::size_t>(n));
        }
        return heard_;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> heardBytes_{0};
    std::thread thread_;
    std::string heard_;
};

}  // namespace tarvo::testing
