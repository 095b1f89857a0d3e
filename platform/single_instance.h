// One copy of a program at a time, as a named mutex does on Windows: an
// exclusive flock on a lock file in the user's runtime folder, held for as
// long as the object lives. The kernel drops the lock with the process, so a
// copy that crashed never blocks the next start.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::platform {

// $XDG_RUNTIME_DIR/NAME.lock, else /tmp/NAME-UID.lock.
std::string instanceLockPath(std::string_view name);

class SingleInstance {
public:
    explicit SingleInstance(std::string_view name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock or the lock file cannot be
    // created.
    bool acquired() const { return descriptor_ >= 0; }

private:
    int descriptor_ = -1;
};

}
