// What stands under the reading notice while the report command runs: the
// records read against the records the read will need, the time it took and
// the time left, and "Przerwij", which asks the command to stop.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelvo::windows {

class ReadProgressView : public QWidget {
    Q_OBJECT

public:
    explicit ReadProgressView(QWidget* parent);

    void start();
    void stop();

    // The latest count; called on the window thread. The first one tells
    // that the command runs: "Przerwij" can stop it from then on.
    void advance(std::uint32_t recordsRead, std::uint32_t highestIndex);

    QProgressBar* bar() const { return bar_; }
    QPushButton* stopButton() const { return stop_; }

private:
    void showTimes();
    void askToStop();

    QProgressBar* bar_;
    QPushButton* stop_;
    QLabel* count_;
    QLabel* elapsed_;
    QLabel* left_;
    QElapsedTimer clock_;
    QTimer ticker_;
    std::uint32_t recordsRead_ = 0;
    std::uint32_t highestIndex_ = 0;
};

}
