#pragma once
// Writing a whole file so that a failure never leaves a half-written file behind:
// the bytes go to a temporary file beside the target, are flushed to the disk, and
// the temporary file is then renamed over the target in one step.

#include <filesystem>
#include <string>

#include "core/bytes.h"

namespace tarvo {

struct WriteResult {
    bool ok = false;
    // What went wrong, naming the path and the system's reason; empty on success.
    std::string error;

    explicit operator bool() const { return ok; }
};

// Replaces (or creates) `target` with exactly `bytes`. On success the target holds
// the new bytes; on any failure (folder missing or not writable, disk full, target
// taken by a folder, a write-protected file) the target is as it was, the temporary
// file is removed and the result says why. A target that already exists keeps its
// permission bits. A symbolic link stays as it is: the file it leads to is replaced,
// the temporary file lying in that file's folder.
WriteResult writeFileAtomically(const std::filesystem::path& target, ByteView bytes);

// Whether `path` is a file that exists and may not be written: no write bit at all
// (a write-protected file, even for a user who could override it) or no write
// access for this user.
bool writeProtected(const std::filesystem::path& path);

// A name for a temporary file beside `target` (hidden, ending ".tmp"); each attempt
// gives another name, for callers that create the file themselves and must retry
// when the name is taken.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& target, unsigned attempt);

// Whether a file could be saved under `target` now: the folder exists and takes a
// new file (tried by creating and removing a temporary one), and the name is not a
// folder. Nothing is left behind; on failure the result says why.
WriteResult checkWritableTarget(const std::filesystem::path& target);

}  // namespace tarvo
