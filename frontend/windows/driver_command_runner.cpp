#include "frontend/windows/driver_command_runner.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <mutex>
#include <type_traits>

namespace kelvo::windows {

namespace {

std::mutex driverMutex;

// Swallows user input, except the input of one widget left usable, and
// refuses closing for as long as it is installed.
class InputRefusal : public QObject {
public:
    explicit InputRefusal(const QWidget* usable) : usable_(usable) { qApp->installEventFilter(this); }
    ~InputRefusal() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (usable_ != nullptr && event->type() != QEvent::Close) {
            const auto* widget = qobject_cast<const QWidget*>(watched);
            if (widget != nullptr && (widget == usable_ || usable_->isAncestorOf(widget)))
                return false;
        }
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

private:
    const QWidget* usable_;
};

// Runs the work under the driver lock on another thread, the window thread's
// events going on until it has returned.
template <typename Result>
Result runLocked(const std::function<Result()>& work)
{
    QFutureWatcher<Result> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&work] {
        const std::lock_guard lock(driverMutex);
        return work();
    }));
    if (!watcher.isFinished())
        loop.exec();
    // The loop ends early only when the application is told to quit; the
    // work still has to return before its files may be touched.
    watcher.waitForFinished();
    if constexpr (!std::is_void_v<Result>)
        return watcher.result();
}

}

std::uint8_t runOffWindowThread(const frontend::DriverCommand& command, const QWidget* usable)
{
    InputRefusal refusal(usable);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::uint8_t code = runLocked<std::uint8_t>(command);
    QApplication::restoreOverrideCursor();
    return code;
}

void runBesideModalDialog(const std::function<void()>& work)
{
    runLocked<void>(work);
}

}
