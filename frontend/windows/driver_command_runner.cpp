#include "frontend/windows/driver_command_runner.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <mutex>

namespace kelvo::windows {

namespace {

std::mutex driverMutex;

// Swallows user input and refuses closing for as long as it is installed.
class InputRefusal : public QObject {
public:
    InputRefusal() { qApp->installEventFilter(this); }
    ~InputRefusal() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Close:
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
        }
    }
};

}

std::uint8_t runOffWindowThread(const frontend::DriverCommand& command)
{
    InputRefusal refusal;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QFutureWatcher<std::uint8_t> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&command] {
        const std::lock_guard lock(driverMutex);
        return command();
    }));
    if (!watcher.isFinished())
        loop.exec();
    // The loop ends early only when the application is told to quit; the
    // command still has to return before its files may be touched.
    watcher.waitForFinished();
    QApplication::restoreOverrideCursor();
    return watcher.result();
}

}
