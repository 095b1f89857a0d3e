// kelvor: the windowed front end. One copy runs at a time; a second one ends
// at once, without a word, having asked the first to show its windows.
// Without a display it says so in one line and ends.
#include <QApplication>
#include <cstdio>
#include <string_view>
#include <vector>

#include "frontend/windows/display_check.h"
#include "frontend/windows/message_boxes.h"
#include "frontend/windows/polish.h"
#include "frontend/windows/program_windows.h"
#include "platform/single_instance.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("kelvor %s\n", KELVOR_VERSION);
        return 0;
    }
    const kelvo::windows::DisplayChoice display = kelvo::windows::chooseDisplay();
    if (!display.problem.empty()) {
        std::fprintf(stderr, "kelvor: %s\n", display.problem.c_str());
        return 1;
    }
    constexpr char kInstanceName[] = "KELVOR_1_1UniqueString";
    const kelvo::platform::SingleInstance instance(kInstanceName);
    if (!instance.acquired()) {
        kelvo::platform::SingleInstance::askHolderToShow(kInstanceName);
        return 0;
    }
    std::vector<char*> arguments(argv, argv + argc);
    char platformOption[] = "-platform";
    std::string platform = display.platform;
    if (!platform.empty()) {
        arguments.push_back(platformOption);
        arguments.push_back(platform.data());
    }
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication application(count, arguments.data());
    QApplication::setApplicationName(QStringLiteral("kelvor"));
    QApplication::setApplicationVersion(QStringLiteral(KELVOR_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    kelvo::windows::speakPolish(application);
    kelvo::windows::ProgramWindows windows;
    // A working folder that another user could reach is not used at all.
    if (!windows.workingFolderProblem().empty()) {
        QString problem = QString::fromStdString(windows.workingFolderProblem());
        problem[0] = problem[0].toUpper();
        kelvo::windows::tell(nullptr, QStringLiteral("kelvor"), problem);
        return 1;
    }
    QObject::connect(&windows, &kelvo::windows::ProgramWindows::endRequested, &application, &QApplication::quit,
        Qt::QueuedConnection);
    windows.show();
    windows.answerLaterCopies(instance);
    return QApplication::exec();
}
