// Which other processes have a device open, found as fuser finds them: by
// the open descriptors each process shows in /proc. A program that opens a
// serial port without taking a lock (cat, screen) shows only there.
#pragma once

#include <sys/types.h>

#include "platform/folder_lock.h"

namespace kelvo::platform {

// The first process other than this one with the character device open,
// among those this user may look into; nothing when none is found.
std::optional<LockHolder> deviceUser(dev_t device);

// A process's name as the kernel knows it; empty when it cannot be read.
std::string programName(pid_t pid);

}
