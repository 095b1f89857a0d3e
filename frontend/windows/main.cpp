// kelvor: the windowed front end. One copy runs at a time; a second one ends
// at once, without a word, having asked the first to show its windows.
#include <QApplication>

#include "frontend/windows/message_boxes.h"
#include "frontend/windows/polish.h"
#include "frontend/windows/program_windows.h"
#include "platform/single_instance.h"

int main(int argc, char** argv)
{
    constexpr char kInstanceName[] = "KELVOR_1_1UniqueString";
    const kelvo::platform::SingleInstance instance(kInstanceName);
    if (!instance.acquired()) {
        kelvo::platform::SingleInstance::askHolderToShow(kInstanceName);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvor"));
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
