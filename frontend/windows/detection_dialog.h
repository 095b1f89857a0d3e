// Autodetection as the connection window shows it: the device and speed
// being tried, the devices skipped with their reasons, and "&Przerwij".
#pragma once

#include <QDialog>
#include <atomic>
#include <vector>

#include "frontend/logic/register_detection.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelvo::windows {

class TfAutodetekcja : public QDialog {
    Q_OBJECT

public:
    explicit TfAutodetekcja(QWidget* parent);

    // Searches with the window open and returns once the search has ended;
    // the devices skipped are kept for skippedText().
    frontend::Detection search(const frontend::ConnectionChoice& choice, const std::vector<platform::SerialDevice>& devices);

    // One line per device skipped, empty when none was.
    QString skippedText() const { return skipped_; }

protected:
    void reject() override;  // Escape and the close box stop the search as "&Przerwij" does

private:
    void stop();
    void trying(const QString& device, std::int32_t speed);
    void skipped(const QString& device, const QString& reason);

    QLabel* lProba_;
    QProgressBar* pbProby_;
    QLabel* lPominiete_;
    QPushButton* bPrzerwij_;
    std::atomic<bool> stopped_ {false};
    QString skipped_;
};

}
