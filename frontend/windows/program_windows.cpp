#include "frontend/windows/program_windows.h"

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include "frontend/logic/working_folder.h"
#include "frontend/windows/connection_window.h"
#include "frontend/windows/main_window.h"
#include "frontend/windows/range_window.h"
#include "frontend/windows/report_commands.h"
#include "platform/single_instance.h"

namespace kelvo::windows {

ProgramWindows::ProgramWindows(QDate today)
{
    if (const auto folder = frontend::enterWorkingFolder(session_.startFolder, workingFolderProblem_))
        session_.workingFolder = *folder;
    connection_ = std::make_unique<TfParametryPolaczenia>(session_);
    main_ = std::make_unique<TfMain>(session_);
    reportCommands_ = new ReportCommands(*main_);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kelvor"), QIcon(QStringLiteral(":/icons/kelvor.svg"))));
    range_ = std::make_unique<TfZakresRaportow>(*main_, today);

    connect(connection_.get(), &TfParametryPolaczenia::connected, this, [this] {
        range_->setSettlementEnabled(session_.settlementEnabled);
        range_->show();
    });
    connect(connection_.get(), &TfParametryPolaczenia::continuedWithoutRegister, this, [this] {
        range_->hide();
        main_->show();
    });
    connect(range_.get(), &TfZakresRaportow::backRequested, connection_.get(), &QWidget::show);
    connect(main_.get(), &TfMain::generateRequested, connection_.get(), &QWidget::show);
    connect(connection_.get(), &TfParametryPolaczenia::endRequested, this, &ProgramWindows::endRequested);
    connect(main_.get(), &TfMain::endRequested, this, &ProgramWindows::endRequested);
    connect(range_.get(), &TfZakresRaportow::endRequested, this, &ProgramWindows::endRequested);
}

ProgramWindows::~ProgramWindows() = default;

void ProgramWindows::show()
{
    connection_->show();
}

void ProgramWindows::answerLaterCopies(const platform::SingleInstance& instance)
{
    if (instance.wakeDescriptor() < 0)
        return;
    auto* notifier = new QSocketNotifier(instance.wakeDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, &instance] {
        while (instance.takeWakeRequest()) {
        }
        bringToFront();
    });
}

void ProgramWindows::bringToFront()
{
    for (QWidget* window : std::initializer_list<QWidget*> {connection_.get(), main_.get(), range_.get()}) {
        if (!window->isVisible())
            continue;
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window->raise();
        window->activateWindow();
    }
    // A question or dialog open over them stays in front.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

}
