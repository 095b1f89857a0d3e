// Tests of the fiscal memory reader against the register simulator: the
// test's own work runs as the body of a command, after the frame has opened
// the link and identified the register, and the cache stays to be looked at.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/command/command.h"
#include "driver/reports/records.h"
#include "tests/driver/register_fixture.h"

namespace kelvo::test {

class RecordsTest : public RegisterTest {
protected:
    // Runs work inside a command against the simulator; the command's result code.
    std::uint8_t runWithRegister(std::function<void()> work)
    {
        body() = std::move(work);
        static constexpr drv::CommandDefinition command {
            "X000028X", {true, false, true, false}, [] { body()(); }};
        return drv::runCommand(command, "IN", "out");
    }

    // Starts the simulator on a scenario written from its JSON text.
    void startScenario(const std::string& json, std::vector<std::string> arguments = {})
    {
        writeFile(dir_.file("scenario.json"), json);
        arguments.insert(arguments.begin(), {"--scenario", dir_.file("scenario.json")});
        startRegister(std::move(arguments));
    }

    // Record reads logged for one index.
    std::size_t readsOf(unsigned index) const
    {
        std::size_t count = 0;
        for (const std::string& line : requests("154"))
            count += line.find("data=[" + hexWord(index) + "]") != std::string::npos ? 1 : 0;
        return count;
    }

private:
    static std::function<void()>& body()
    {
        static std::function<void()> work;
        return work;
    }

    static std::string hexWord(unsigned index)
    {
        static const char digits[] = "0123456789ABCDEF";
        std::string text;
        for (unsigned byte : {index & 0xFF, (index >> 8) & 0xFF}) {
            text += digits[byte >> 4];
            text += digits[byte & 15];
            text += ' ';
        }
        text.pop_back();
        return text;
    }
};

}
