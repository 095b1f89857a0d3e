#include "tests/support/simulator_process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace kelvo::test {

SimulatorProcess::SimulatorProcess(const std::string& program, std::vector<std::string> arguments,
    const std::string& outputPath)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // What an earlier run left there would read as this one listening.
    std::remove(outputPath.c_str());
    pid_ = ::fork();
    if (pid_ == 0) {
        const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    using namespace std::chrono_literals;
    for (auto waited = 0ms; waited < 5000ms && !listening_; waited += 20ms) {
        std::this_thread::sleep_for(20ms);
        std::ifstream in(outputPath);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("listening on tcp ", 0) == 0)
                tcpPort_ = std::stoi(line.substr(line.rfind(':') + 1));
            if (line.rfind("listening on ", 0) == 0)
                listening_ = true;
        }
    }
}

SimulatorProcess::~SimulatorProcess()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    ::kill(pid_, SIGCONT);  // a stopped simulator ends too
    int status = 0;
    for (int waited = 0; waited < 100; ++waited) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
}

std::vector<std::string> logLines(const std::string& path, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
    return lines;
}

}
