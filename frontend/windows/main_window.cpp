#include "frontend/windows/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/cleanup.h"
#include "frontend/logic/driver_messages.h"
#include "frontend/logic/kept_records_setting.h"
#include "frontend/logic/main_window_layout.h"
#include "frontend/logic/report_font.h"
#include "frontend/windows/report_pages.h"
#include "frontend/logic/text_encoding.h"
#include "frontend/windows/driver_command_runner.h"
#include "frontend/windows/message_boxes.h"
#include "frontend/windows/polish.h"
#include "frontend/windows/read_progress_view.h"
#include "frontend/windows/report_font_dialog.h"
#include "frontend/windows/window_placement.h"
#include "platform/file_access.h"

// The resource file lives in a static library: its pictures are registered
// by hand.
static void registerIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace kelvo::windows {

namespace {

using frontend::Command;

constexpr char kMakerLine[] = "KELVO Systemy Fiskalne 2026";

struct CommandLook {
    Command command;
    const char* menuName;
    const char* buttonName;  // empty for a command without a toolbar button
    const char* caption;
    const char* themeIcon;
    const char* fallbackIcon;
};

// In menu order.
constexpr CommandLook kCommands[] = {
    {Command::Generate, "Odczytaj1", "tbOdczyt", "Generacja raportu z podłączonej kasy", "view-refresh", ":/icons/odczyt.svg"},
    {Command::Print, "Wydruk2", "tbWydruk", "Wydruk", "document-print", ":/icons/wydruk.svg"},
    {Command::BurnCd, "Zapis1", "tbZapisCD", "Zapis na dysk CD", "media-optical", ":/icons/zapis_cd.svg"},
    {Command::SaveToDisk, "ZapisnadyskCD1", "tbZapisDysk", "Zapis na dysk", "document-save", ":/icons/zapis_dysk.svg"},
    {Command::AccountantFigures, "ZestawienieKsiegowe1", "tbZestawienie", "Zestawienie dla księgowości", "x-office-spreadsheet",
        ":/icons/zestawienie.svg"},
    {Command::Font, "Ustawienia1", "tbSettings", "Czcionka ", "preferences-desktop-font", ":/icons/czcionka.svg"},
    {Command::Browse, "Odczytzdysku1", "tbOdczytZDysku", "Przeglądanie zapisanych raportów", "document-open",
        ":/icons/odczyt_z_dysku.svg"},
    {Command::Exit, "Wyj1", "", "Wyjście z programu", "application-exit", ":/icons/wyjscie.svg"},
};

// The toolbar's order, left to right.
constexpr Command kToolbarOrder[] = {Command::Generate, Command::Print, Command::Browse, Command::BurnCd,
    Command::SaveToDisk, Command::Font, Command::AccountantFigures};

std::size_t index(Command command)
{
    return static_cast<std::size_t>(command);
}

}

TfMain::TfMain(frontend::Session& session, QWidget* parent) : QMainWindow(parent), session_(session)
{
    registerIcons();
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("KELVOR_1_1 | ") + QString::fromUtf8(kMakerLine) + QStringLiteral(" |  wersja 1"));
    reportFont_ = defaultReportFont();

    client_ = new QWidget(this);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    reRaportOkresowy_ = new QPlainTextEdit(client_);
    reRaportOkresowy_->setObjectName(QStringLiteral("reRaportOkresowy"));
    reRaportOkresowy_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    reRaportOkresowy_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reRaportOkresowy_->setFont(reportFont_);
    reRaportOkresowy_->hide();
    stOdczyt_ = new QLabel(QStringLiteral("...TRWA ODCZYT DANYCH Z KASY..."), client_);
    stOdczyt_->setObjectName(QStringLiteral("stOdczyt"));
    QFont noticeFont = controlFont();
    noticeFont.setPixelSize(32);
    stOdczyt_->setFont(noticeFont);
    stOdczyt_->adjustSize();
    stOdczyt_->hide();
    progress_ = new ReadProgressView(client_);
    progress_->setFont(controlFont());
    UstawienieFunkcjiPostepuOdczytu(&TfMain::recordRead, this);

    buildCommands();

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("sb"));
    bar->setFont(controlFont());
    bar->setSizeGripEnabled(false);
    status_ = new QLabel(bar);
    status_->setObjectName(QStringLiteral("stStatus"));
    bar->addWidget(status_, 1);
    setStatusBar(bar);

    resize(727, 733);
    centreOnScreen(*this);
}

TfMain::~TfMain()
{
    UstawienieFunkcjiPostepuOdczytu(nullptr, nullptr);
}

// Called on the thread of the report command: the count goes to the window
// thread, which shows it when it next runs its events.
void TfMain::recordRead(void* context, std::uint32_t recordsRead, std::uint32_t highestIndex)
{
    auto* window = static_cast<TfMain*>(context);
    QMetaObject::invokeMethod(window->progress_,
        [view = window->progress_, recordsRead, highestIndex] { view->advance(recordsRead, highestIndex); },
        Qt::QueuedConnection);
}

// A checked item keeps fiscal memory records between runs; the choice is
// saved for the next start and given to the driver at once.
void TfMain::addKeptRecordsSwitch(QMenu& menu)
{
    QAction* keep = new QAction(QStringLiteral("Pamięć podręczna rekordów"), &menu);
    keep->setObjectName(QStringLiteral("PamiecRekordow1"));
    keep->setCheckable(true);
    keep->setChecked(frontend::keptRecordsWanted());
    menu.insertAction(commandAction(Command::Exit), keep);
    UstawieniePamieciRekordow(keep->isChecked() ? 1 : 0);
    connect(keep, &QAction::toggled, this, [](bool on) {
        UstawieniePamieciRekordow(on ? 1 : 0);
        frontend::saveKeptRecordsWanted(on);
    });
}

void TfMain::buildCommands()
{
    menuBar()->setObjectName(QStringLiteral("menu"));
    menuBar()->setFont(controlFont());
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Raport okresowy"));
    menu->setObjectName(QStringLiteral("Raportokresowy1"));
    menu->setFont(controlFont());
    for (const CommandLook& look : kCommands) {
        if (look.command == Command::Font || look.command == Command::Browse || look.command == Command::Exit)
            menu->addSeparator();
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(look.themeIcon), QIcon(QString::fromLatin1(look.fallbackIcon)));
        QAction* action = menu->addAction(icon, QString::fromUtf8(look.caption));
        action->setObjectName(QString::fromLatin1(look.menuName));
        action->setToolTip(QString::fromUtf8(look.caption));
        actions_[index(look.command)] = action;
    }
    connect(commandAction(Command::Generate), &QAction::triggered, this, [this] {
        hide();
        emit generateRequested();
    });
    connect(commandAction(Command::Font), &QAction::triggered, this, &TfMain::chooseFont);
    addKeptRecordsSwitch(*menu);
    connect(commandAction(Command::Exit), &QAction::triggered, this, &TfMain::close);

    auto* toolbar = tbTool_ = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("tbTool"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(32, 32));
    addToolBar(Qt::TopToolBarArea, toolbar);
    for (const Command command : kToolbarOrder) {
        if (command != kToolbarOrder[0])
            toolbar->addSeparator();
        QAction* action = commandAction(command);
        auto* button = new QToolButton(toolbar);
        button->setObjectName(QString::fromLatin1(kCommands[index(command)].buttonName));
        button->setIcon(action->icon());
        button->setToolTip(action->toolTip());
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, action, [action] {
            if (action->isEnabled())
                action->trigger();
        });
        toolbar->addWidget(button);
        buttons_[index(command)] = button;
    }
    setCommandStates(frontend::CommandEvent::Start);
}

QAction* TfMain::commandAction(Command command) const
{
    return actions_[index(command)];
}

QToolButton* TfMain::toolbarButton(Command command) const
{
    return buttons_[index(command)];
}

void TfMain::setCommandStates(frontend::CommandEvent event)
{
    const frontend::CommandStates states = frontend::commandStatesAfter(event);
    for (std::size_t i = 0; i < frontend::kCommandCount; ++i) {
        if (!states[i])
            continue;
        actions_[i]->setEnabled(*states[i]);
        if (buttons_[i] != nullptr && frontend::toolbarFollowsMenu(static_cast<Command>(i)))
            buttons_[i]->setEnabled(*states[i]);
    }
}

void TfMain::setStatusText(const QString& text)
{
    status_->setText(text);
}

QString TfMain::statusText() const
{
    return status_->text();
}

int TfMain::showReportFile(const QString& path)
{
    // Regular files only, opened without waiting and bounded, so that no FIFO,
    // device or huge file chosen by mistake can stop the windows.
    reRaportOkresowy_->clear();
    reRaportOkresowy_->setFont(reportFont_);
    const platform::FileContent file = platform::readRegularFile(path.toStdString(), platform::kLargestReportFile);
    if (file.error != 0)
        return file.error;
    const std::string text = frontend::reportDisplayText(
        std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()));
    reRaportOkresowy_->setPlainText(QString::fromStdString(text));
    reRaportOkresowy_->show();
    reRaportOkresowy_->setFocus();
    return 0;
}

bool TfMain::readReport(const frontend::RangeChoice& choice)
{
    frontend::ReportSteps steps;
    steps.starting = [this](const frontend::ReportNames& names) { beginRead(names); };
    steps.runCommand = [this](const frontend::DriverCommand& command) {
        return runOffWindowThread(command, progress_->stopButton());
    };
    const frontend::ReportRun run = frontend::runReport(session_, choice, steps);
    endRead();
    if (run.code != KELVODRV_RESULT_SUCCESS) {
        setCommandStates(frontend::CommandEvent::ReadFailed);
        tell(this, QStringLiteral("UWAGA"), QString::fromStdString(frontend::driverErrorMessage(run.code)));
        return false;
    }
    setCommandStates(frontend::CommandEvent::ReadSucceeded);
    showReportFile(reportFileName_);
    emit reportShown();
    if (!run.keptRecordsNote.empty())
        tell(this, QStringLiteral("UWAGA"), QString::fromStdString(run.keptRecordsNote));
    return true;
}

void TfMain::beginRead(const frontend::ReportNames& names)
{
    setStatusText(QString::fromStdString(names.title));
    reportFileName_ = QString::fromStdString(names.fileName);
    setCommandStates(frontend::CommandEvent::ReadRunning);
    reRaportOkresowy_->hide();
    stOdczyt_->show();
    progress_->start();
    placeDisplayAndNotice();
    repaint();
}

void TfMain::endRead()
{
    stOdczyt_->hide();
    progress_->stop();
}

void TfMain::chooseFont()
{
    if (const auto font = chooseReportFont(this, reportFont_)) {
        reportFont_ = *font;
        reRaportOkresowy_->setFont(reportFont_);
        emit reportFontChosen(reportFont_);
    }
}

void TfMain::placeDisplayAndNotice()
{
    const QSize clientArea(width(), height() - menuBar()->height());
    const frontend::Size display = frontend::displaySize({clientArea.width(), clientArea.height()},
        tbTool_->height(), statusBar()->height());
    const QPoint corner(5, 1);
    reRaportOkresowy_->setGeometry(corner.x(), corner.y(), display.width, display.height);
    const frontend::Point offset = frontend::noticeOffset(display, {stOdczyt_->width(), stOdczyt_->height()});
    stOdczyt_->move(corner.x() + offset.x, corner.y() + offset.y);
    progress_->setGeometry(stOdczyt_->x(), stOdczyt_->y() + stOdczyt_->height() + 12, stOdczyt_->width(),
        progress_->sizeHint().height());
}

void TfMain::closeEvent(QCloseEvent* event)
{
    if (!closingAllowed_ || !askYesNo(this, QStringLiteral("PYTANIE"), QStringLiteral("CZY ZAKOŃCZYĆ PROGRAM?"))) {
        event->ignore();
        return;
    }
    event->accept();
    frontend::cleanUpAtEnd();
    emit endRequested();
}

bool TfMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::Resize)
        placeDisplayAndNotice();
    return QMainWindow::eventFilter(watched, event);
}

}
