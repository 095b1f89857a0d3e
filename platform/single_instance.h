// One copy of a program at a time, as a named mutex does on Windows: an
// exclusive flock on a lock file in the user's runtime folder, held for as
// long as the object lives. The kernel drops the lock with the process, so a
// copy that crashed never blocks the next start.
//
// The holder also listens on a local socket beside the lock, so that a copy
// started later can ask it to show itself before it ends.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::platform {

// $XDG_RUNTIME_DIR/NAME.lock, else /tmp/NAME-UID.lock.
std::string instanceLockPath(std::string_view name);
// The same with ".sock" for ".lock".
std::string instanceSocketPath(std::string_view name);

class SingleInstance {
public:
    explicit SingleInstance(std::string_view name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock or the lock file cannot be
    // created.
    bool acquired() const { return descriptor_ >= 0; }

    // The listening socket of a holder, readable when a later copy asked;
    // -1 when it could not be set up (the lock holds all the same).
    int wakeDescriptor() const { return listener_; }
    // Takes one waiting request; true when there was one.
    bool takeWakeRequest() const;

    // From a copy that did not get the lock: asks the holder to show
    // itself, without waiting for it; false when no holder listens.
    static bool askHolderToShow(std::string_view name);

private:
    int descriptor_ = -1;
    int listener_ = -1;
    std::string socketPath_;
};

}
