#pragma once
// A full disk for the tests: while a FileSizeLimit lives, every write of this process
// that would make a file larger than the limit fails (EFBIG) instead of succeeding,
// as a write does when the disk fills up at that byte. SIGXFSZ is ignored meanwhile
// so that the write reports the failure rather than ending the process.

#include <sys/resource.h>

#include <csignal>

namespace tarvo::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False when the limit could not be set (the test then proves nothing).
    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

}  // namespace tarvo::testing
