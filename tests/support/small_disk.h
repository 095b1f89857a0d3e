// A small file system of its own for tests of a full disk: root mounts a
// tmpfs of 256 KiB on a folder, unmounted when the object goes.
#pragma once

#include <string>

namespace kelvo::test {

class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // False where it could not be mounted (not root, or no mount allowed).
    bool mounted() const { return mounted_; }

    // Takes every free byte left, with a file named "filler".
    void fill() const;

private:
    std::string folder_;
    bool mounted_ = false;
};

}
