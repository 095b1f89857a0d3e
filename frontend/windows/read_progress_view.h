// What stands under the reading notice while the report command runs: the
// records read against the memory's highest index, and the time it took.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace kelvo::windows {

class ReadProgressView : public QWidget {
    Q_OBJECT

public:
    explicit ReadProgressView(QWidget* parent);

    void start();
    void stop();

    // The latest count; called on the window thread.
    void advance(std::uint32_t recordsRead, std::uint32_t highestIndex);

    QProgressBar* bar() const { return bar_; }

private:
    void showElapsed();

    QProgressBar* bar_;
    QLabel* count_;
    QLabel* elapsed_;
    QElapsedTimer clock_;
    QTimer ticker_;
};

}
