// kelvosim: a fiscal cash register (and its line converter) on a
// pseudo-terminal or a TCP port, for demonstrations, the service bench and
// the driver's end-to-end tests.
#include "simulator/command_line.h"
#include "simulator/converter.h"
#include "simulator/generator.h"
#include "simulator/listener.h"
#include "simulator/register.h"
#include "simulator/scenario.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

std::atomic<bool> stopRequested{false};

// The computer's local date, for a history that ends last month.
kelvo::sim::Date localToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

extern "C" void onSignal(int)
{
    stopRequested = true;
}

int run(const kelvo::sim::CommandLine& c)
{
    using namespace kelvo::sim;
    Scenario scenario = c.scenarioPath ? loadScenario(*c.scenarioPath) : Scenario{};
    if (c.model) scenario.deviceCode = *c.model;
    if (c.generateYears)
        generateInto(scenario, *c.generateYears, c.seed, c.records,
            c.recent ? std::optional<Date>(localToday()) : std::nullopt);
    scenario.faults.insert(scenario.faults.end(), c.faults.begin(), c.faults.end());

    RequestLog log = c.logPath ? RequestLog(*c.logPath) : RequestLog();
    Register simulated(scenario, log);

    if (c.saveScenario) {
        std::ofstream out(*c.saveScenario, std::ios::binary);
        out << scenarioToJson(scenario);
        if (!out) throw std::runtime_error("nie można zapisać " + *c.saveScenario);
    }
    if (!c.listener.ptyPath && !c.listener.tcp) return 0;

    Converter converter(simulated, log);
    Responder& responder = c.converter ? static_cast<Responder&>(converter) : simulated;
    Listener listener(c.listener, responder, log);

    const ModelProfile& profile = simulated.profile();
    std::cout << "kelvosim: " << profile.name << " (device code " << int(profile.deviceCode) << "), "
              << simulated.memory().writtenRecords() << " of " << simulated.memory().geometry().recordCount
              << " records" << (c.converter ? ", behind a line converter" : "") << "\n";
    if (c.listener.ptyPath) std::cout << "listening on " << *c.listener.ptyPath << " -> " << listener.ptySlave() << "\n";
    if (c.listener.tcp) std::cout << "listening on tcp " << c.listener.tcp->host << ":" << listener.tcpPort() << "\n";
    if (c.listener.udp) std::cout << "answering udp " << c.listener.udp->host << ":" << listener.udpPort() << "\n";
    std::cout.flush();

    listener.run(stopRequested);
    std::cout << "kelvosim: " << listener.bytesReceived() << " bytes received, " << listener.bytesSent()
              << " bytes sent\n";
    return 0;
}

}

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    try {
        const auto c = kelvo::sim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (c.help) {
            std::cout << kelvo::sim::usageText;
            return 0;
        }
        return run(c);
    } catch (const kelvo::sim::ScenarioError& e) {
        std::cerr << "kelvosim: błąd w scenariuszu: " << e.what() << "\n";
        return 1;
    } catch (const std::invalid_argument& e) {
        std::cerr << "kelvosim: " << e.what() << "\nPomoc: kelvosim --help\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "kelvosim: " << e.what() << "\n";
        return 1;
    }
}
