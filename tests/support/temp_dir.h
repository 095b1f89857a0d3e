// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <string>

namespace kelvo::test {

class TempDir {
public:
    TempDir();
    // Under the given folder instead of the system's temporary folder.
    explicit TempDir(const std::string& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Whole-file helpers for setting up and checking test files.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

}
