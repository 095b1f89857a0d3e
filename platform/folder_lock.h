// One user of a folder at a time: an exclusive flock on the folder itself,
// held for as long as the object lives (no lock file is left behind). When
// another process holds it, the kernel's lock table tells which one.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

#include "platform/descriptor.h"

namespace kelvo::platform {

struct LockHolder {
    pid_t pid = 0;
    std::string program;  // its name as the kernel knows it; empty when unknown
};

class FolderLock {
public:
    explicit FolderLock(const std::string& folder);

    bool acquired() const { return acquired_; }

private:
    Descriptor descriptor_;
    bool acquired_ = false;
};

// The process holding a flock on the file or folder at path, from /proc/locks.
std::optional<LockHolder> flockHolder(const std::string& path);

}
