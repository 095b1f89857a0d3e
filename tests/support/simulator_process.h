// The register simulator run as a separate program for end-to-end tests:
// on a pseudo-terminal that a COM port is mapped to, or on a TCP port.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvo::test {

class SimulatorProcess {
public:
    // Starts kelvosim with the arguments and waits (at most a few seconds)
    // until it listens. With a pty it is linked at ptyPath; with "--tcp" the
    // port it chose is read from what it prints.
    SimulatorProcess(const std::string& program, std::vector<std::string> arguments, const std::string& outputPath);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool listening() const { return listening_; }
    int tcpPort() const { return tcpPort_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool listening_ = false;
    int tcpPort_ = 0;
};

// Lines of the simulator's request log that begin with the prefix.
std::vector<std::string> logLines(const std::string& path, const std::string& prefix);

}
