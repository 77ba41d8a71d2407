#include "files/atomic_file.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>

#include "files/file_names.h"

#if defined(_WIN32)
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tarvo {

namespace {

WriteResult failure(std::string what) { return WriteResult{false, std::move(what)}; }

std::string reasonOf(int error) { return std::system_category().message(error); }

// A name for the temporary file beside the target: hidden, made from the target's
// name (cut so that it always fits a file name), a number that differs from try to
// try, and ".tmp".
std::filesystem::path temporaryName(const std::filesystem::path& target, unsigned attempt) {
    std::string base = pathText(target.filename());
    if (base.size() > 64) base.resize(64);
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    std::uint64_t mixed = ticks ^ (0x9E3779B97F4A7C15ull * (attempt + 1));
#if !defined(_WIN32)
    mixed ^= static_cast<std::uint64_t>(::getpid()) << 32;
#endif
    static constexpr char kHex[] = "0123456789abcdef";
    std::string number;
    for (int i = 0; i < 12; ++i, mixed >>= 4) number += kHex[mixed & 0xF];
    return target.parent_path() / pathFromText("." + base + "." + number + ".tmp");
}

constexpr unsigned kNameAttempts = 100;

}  // namespace

std::filesystem::path temporaryPathBeside(const std::filesystem::path& target, unsigned attempt) {
    return temporaryName(target, attempt);
}

#if !defined(_WIN32)

namespace {

// Closes the descriptor and removes the temporary file unless released.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }

    // Creates a new file under a fresh name beside `target`; errno is kept on failure.
    bool create(const std::filesystem::path& target) {
        for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
            const std::filesystem::path candidate = temporaryName(target, attempt);
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                fd_ = fd;
                path_ = candidate;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    int fd() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

    // Closes the descriptor; the file stays until release() or destruction.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void release() { path_.clear(); }

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

bool writeAll(int fd, ByteView bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 30);
        const ssize_t written = ::write(fd, bytes.data() + done, chunk);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced is no failure
// of the write (the data is on the disk already).
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The file a save through `path` really replaces: symbolic links are followed (also
// one that points at no file yet), so that the link stays and its target gets the
// bytes. Empty, with errno set, for a loop of links.
std::filesystem::path followLinks(std::filesystem::path path) {
    constexpr int kMaxLinks = 40;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
        std::error_code error;
        const std::filesystem::path to = std::filesystem::read_symlink(path, error);
        if (error) return path;
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    errno = ELOOP;
    return {};
}

}  // namespace

bool writeProtected(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

WriteResult writeFileAtomically(const std::filesystem::path& given, ByteView bytes) {
    const std::string name = pathText(given);
    if (given.empty() || !given.has_filename()) return failure("no file name: \"" + name + "\"");
    const std::filesystem::path target = followLinks(given);
    if (target.empty()) return failure("cannot replace " + name + ": " + reasonOf(errno));
    if (writeProtected(target)) return failure("cannot replace " + name + ": " + reasonOf(EACCES));

    TemporaryFile temp;
    if (!temp.create(target)) {
        return failure("cannot create a file beside " + name + ": " + reasonOf(errno));
    }
    // A file that is replaced keeps its permission bits.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(temp.fd(), old.st_mode & 07777);
    }
    if (!writeAll(temp.fd(), bytes)) {
        return failure("cannot write " + name + ": " + reasonOf(errno));
    }
    if (::fsync(temp.fd()) != 0) {
        return failure("cannot write " + name + " to the disk: " + reasonOf(errno));
    }
    if (!temp.close()) {
        return failure("cannot write " + name + ": " + reasonOf(errno));
    }
    if (::rename(temp.path().c_str(), target.c_str()) != 0) {
        return failure("cannot replace " + name + ": " + reasonOf(errno));
    }
    temp.release();
    syncFolder(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
    return WriteResult{true, {}};
}

WriteResult checkWritableTarget(const std::filesystem::path& target) {
    const std::string name = pathText(target);
    if (target.empty() || !target.has_filename()) return failure("no file name: \"" + name + "\"");
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        return failure("cannot write " + name + ": " + reasonOf(EISDIR));
    }
    TemporaryFile temp;
    if (!temp.create(target)) {
        return failure("cannot create a file beside " + name + ": " + reasonOf(errno));
    }
    return WriteResult{true, {}};
}

#else  // Windows: the standard library's streams and rename (which replaces the target).

WriteResult writeFileAtomically(const std::filesystem::path& target, ByteView bytes) {
    const std::string name = pathText(target);
    if (target.empty() || !target.has_filename()) return failure("no file name: \"" + name + "\"");

    std::error_code error;
    std::filesystem::path temp;
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = temporaryName(target, attempt);
        if (!std::filesystem::exists(candidate, error)) {
            temp = candidate;
            break;
        }
    }
    if (temp.empty()) return failure("cannot create a file beside " + name);
    bool written = false;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            out.flush();
            written = static_cast<bool>(out);
        }
    }
    if (!written) {
        std::filesystem::remove(temp, error);
        return failure("cannot write " + name);
    }
    std::filesystem::rename(temp, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return failure("cannot replace " + name + ": " + error.message());
    }
    return WriteResult{true, {}};
}

WriteResult checkWritableTarget(const std::filesystem::path& target) {
    const std::string name = pathText(target);
    if (target.empty() || !target.has_filename()) return failure("no file name: \"" + name + "\"");
    std::error_code error;
    if (std::filesystem::is_directory(target, error)) return failure("cannot write " + name);
    const std::filesystem::path temp = temporaryName(target, 0);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return failure("cannot create a file beside " + name);
    }
    std::filesystem::remove(temp, error);
    return WriteResult{true, {}};
}

#endif

}  // namespace tarvo
