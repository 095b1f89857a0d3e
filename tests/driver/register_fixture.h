// A driver test against the register simulator on a pseudo-terminal that
// port COM7 is mapped to, with a configuration file and input files for it.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/driver/context_fixture.h"
#include "tests/support/simulator_process.h"

namespace kelvo::test {

class RegisterTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        ::setenv("KELVO_COM7", dir_.file("com").c_str(), 1);
        writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX0:1\t2\tKELVO\r\n");
        writeFile("IN", "#1\r\n#\r\n#\r\n$\r\n");
    }

    void TearDown() override
    {
        simulator_.reset();
        ::unsetenv("KELVO_COM7");
        DriverTest::TearDown();
    }

    // Starts the simulator with these further arguments; its requests are
    // logged to log().
    void startRegister(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--pty", dir_.file("com"), "--log", log()});
        simulator_ = std::make_unique<SimulatorProcess>(KELVOSIM_PATH, arguments, dir_.file("kelvosim.out"));
        ASSERT_TRUE(simulator_->listening()) << readFile(dir_.file("kelvosim.out"));
    }

    std::string log() const { return dir_.file("requests.log"); }
    std::vector<std::string> requests(const std::string& command) const
    {
        return logLines(log(), "cmd=" + command + " ");
    }

    std::unique_ptr<SimulatorProcess> simulator_;
};

}
