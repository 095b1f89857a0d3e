// The program's three windows in a fresh working folder, a register
// simulator on a pseudo-terminal that COM1 leads to, and a test's answers to
// the modal dialogs the windows open.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

#include "frontend/logic/working_folder.h"
#include "frontend/windows/connection_window.h"
#include "frontend/windows/main_window.h"
#include "frontend/windows/program_windows.h"
#include "frontend/windows/range_window.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace kelvo::test {

struct SeenDialog {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// With $KELVO_SHOT_DIR set, saves a picture of the widget there as NAME.png,
// for the user's guide (tools/screenshots.sh runs the tests so under Xvfb).
inline void shoot(QWidget* widget, const char* name)
{
    if (const char* folder = std::getenv("KELVO_SHOT_DIR"))
        widget->grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

// Answers the modal dialogs in the order they open, from a timer on the
// window thread. A dialog with no answer left stays open while a test may
// look at it; one still open a minute later is recorded as seen and closed,
// so that a test which did not expect it fails instead of waiting forever.
class ModalAnswers : public QObject {
public:
    using Answer = std::function<void(QWidget* dialog)>;

    ModalAnswers()
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, &ModalAnswers::look);
        timer_.start();
    }

    void push(Answer answer) { answers_.push_back(std::move(answer)); }
    // Presses a button of the next message box.
    void press(QMessageBox::StandardButton button)
    {
        push([button](QWidget* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog))
                box->button(button)->click();
        });
    }
    std::size_t left() const { return answers_.size(); }
    const std::vector<SeenDialog>& seen() const { return seen_; }

private:
    void look()
    {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || dialog == answered_)
            return;
        if (answers_.empty()) {
            closeWhenForgotten(dialog);
            return;
        }
        record(dialog);
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        answer(dialog);
    }

    void record(QWidget* dialog)
    {
        SeenDialog seen {dialog->windowTitle(), {}, QMessageBox::NoIcon, {}};
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
        }
        seen_.push_back(seen);
        answered_ = dialog;
    }

    void closeWhenForgotten(QWidget* dialog)
    {
        if (dialog != unanswered_) {
            unanswered_ = dialog;
            unansweredSince_.start();
            return;
        }
        if (unansweredSince_.elapsed() < kForgottenAfterMs)
            return;
        record(dialog);
        ADD_FAILURE() << "a dialog nobody answered: " << dialog->windowTitle().toStdString() << ": "
                      << seen_.back().text.toStdString();
        if (auto* modal = qobject_cast<QDialog*>(dialog))
            modal->reject();
        else
            dialog->close();
    }

    static constexpr qint64 kForgottenAfterMs = 60'000;

    QTimer timer_;
    std::deque<Answer> answers_;
    std::vector<SeenDialog> seen_;
    QPointer<QWidget> answered_;
    QPointer<QWidget> unanswered_;
    QElapsedTimer unansweredSince_;
};

class WindowsTest : public ::testing::Test {
protected:
    ~WindowsTest() override
    {
        windows_.reset();
        std::filesystem::current_path(previous_);
    }

    void start(QDate today = QDate(2010, 1, 15))
    {
        windows_ = std::make_unique<windows::ProgramWindows>(today);
        QObject::connect(windows_.get(), &windows::ProgramWindows::endRequested, [this] { ++ends_; });
        windows_->show();
    }

    void startRegister(const std::vector<std::string>& extra)
    {
        std::vector<std::string> arguments {"--pty", dir_.file("com")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        simulator_ = std::make_unique<SimulatorProcess>(KELVOSIM_PATH, arguments, dir_.file("sim.out"));
        ASSERT_TRUE(simulator_->listening());
    }

    static std::string scenario(const std::string& name) { return std::string(KELVOSIM_SCENARIOS) + "/" + name; }

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        for (QWidget* window : {static_cast<QWidget*>(&windows_->connection()), static_cast<QWidget*>(&windows_->main()),
                 static_cast<QWidget*>(&windows_->range())}) {
            if (window->objectName() == QLatin1String(name))
                if (auto* found = qobject_cast<T*>(window))
                    return found;
            if (auto* found = window->findChild<T*>(QString::fromLatin1(name)))
                return found;
        }
        ADD_FAILURE() << "no control " << name;
        return nullptr;
    }

    windows::TfParametryPolaczenia& connection() const { return windows_->connection(); }
    windows::TfMain& mainWindow() const { return windows_->main(); }
    windows::TfZakresRaportow& range() const { return windows_->range(); }

    // The names in the working folder, sorted.
    std::vector<std::string> folderNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(workFolder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string work(const std::string& name) const { return workFolder_ + "/" + name; }
    // The driver's names meet the files' names without regard to case.
    bool inFolder(const std::string& name) const
    {
        for (const std::string& present : folderNames())
            if (QString::fromStdString(present).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }

    TempDir dir_;
    std::filesystem::path previous_ = std::filesystem::current_path();
    ScopedEnv temp_ {"TEMP", dir_.path()};
    // The user's settings, port map and kept records stay inside the test's folder, and the serial devices are its own.
    ScopedEnv config_ {"XDG_CONFIG_HOME", dir_.file("config")};
    ScopedEnv cache_ {"XDG_CACHE_HOME", dir_.file("cache")};
    // The report archive too.
    ScopedEnv data_ {"XDG_DATA_HOME", dir_.file("data")};
    // The program's private folder inside TEMP, made beforehand as the program makes it.
    std::string workFolder_ = [this] {
        const std::string folder = frontend::privateFolderIn(dir_.path());
        ::mkdir(folder.c_str(), 0700);
        return folder;
    }();
    ScopedEnv port_ {"KELVO_COM1", dir_.file("com")};
    ScopedEnv devices_ {"KELVO_DEVICE_ROOT", dir_.file("devices")};
    std::unique_ptr<SimulatorProcess> simulator_;
    std::unique_ptr<windows::ProgramWindows> windows_;
    ModalAnswers answers_;
    int ends_ = 0;
};

}
