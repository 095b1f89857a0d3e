// The connection window: its controls, the prefill from the last KONFIG.TXT,
// the channel list, and "&Dalej" without a register with both answers to
// each failure question.
#include <filesystem>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "frontend/windows/radio_group.h"
#include "tests/frontend/windows/windows_fixture.h"

using kelvo::test::readFile;
using kelvo::test::writeFile;
using kelvo::windows::RadioGroup;

namespace {

class ConnectionWindowTest : public kelvo::test::WindowsTest {
protected:
    void writeKonfig(const std::string& line)
    {
        writeFile(work("KONFIG.TXT"), line);
    }

    QStringList items(const RadioGroup* group) const
    {
        QStringList texts;
        for (int i = 0; i < group->count(); ++i)
            texts << group->button(i)->text();
        return texts;
    }

    // Two buttons in one row stand in two columns.
    int columns(const RadioGroup* group) const
    {
        QSet<int> lefts;
        for (int i = 0; i < group->count(); ++i)
            lefts.insert(group->button(i)->geometry().left());
        return static_cast<int>(lefts.size());
    }

};

}

TEST_F(ConnectionWindowTest, FirstStartShowsTheDefaultsAndOnlyThisWindow)
{
    start();
    EXPECT_TRUE(connection().isVisible());
    EXPECT_FALSE(mainWindow().isVisible());
    EXPECT_FALSE(range().isVisible());
    EXPECT_EQ(connection().windowTitle(), QStringLiteral("PARAMETRY POŁĄCZENIA Z KASĄ"));

    auto* port = control<QSpinBox>("csPort");
    EXPECT_EQ(port->value(), 1);
    EXPECT_EQ(port->minimum(), 1);
    EXPECT_EQ(port->maximum(), 99);
    auto* speed = control<QComboBox>("cbSpeed");
    ASSERT_EQ(speed->count(), 4);
    EXPECT_EQ(speed->currentIndex(), 0);
    EXPECT_EQ(speed->itemText(3), QStringLiteral("57600 b/s"));
    auto* kind = control<RadioGroup>("rgMultiplexerType");
    EXPECT_EQ(kind->title(), QStringLiteral("Rodzaj połączenia"));
    EXPECT_EQ(items(kind), (QStringList {"bezpośrednio", "multiplekser 4-kanałowy", "multiplekser 8-kanałowy"}));
    EXPECT_EQ(kind->itemIndex(), 0);
    auto* channel = control<RadioGroup>("rgKanal");
    EXPECT_EQ(channel->title(), QStringLiteral("Numer kanału"));
    EXPECT_TRUE(channel->isVisible()) << "1 to 8 stand until the first click, even for a direct connection";
    EXPECT_EQ(items(channel), (QStringList {"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(columns(channel), 2);
    EXPECT_EQ(channel->itemIndex(), 0);

    EXPECT_EQ(control<QLabel>("Label1")->text(), QStringLiteral("Port"));
    EXPECT_EQ(control<QLabel>("Label2")->text(), QStringLiteral("Szybkość transmisji"));
    auto* next = control<QPushButton>("dDalej");
    EXPECT_EQ(next->text(), QStringLiteral("&Dalej"));
    EXPECT_TRUE(next->isDefault());
    EXPECT_EQ(control<QPushButton>("bZakoncz")->text(), QStringLiteral("&Zakończ"));
    EXPECT_EQ(control<QPushButton>("bAutodetekcja")->text(), QStringLiteral("&Autodetekcja"));
    EXPECT_TRUE(control<QPushButton>("bAutodetekcja")->isVisible());
    EXPECT_EQ(QFontInfo(port->font()).pixelSize(), 16);
    EXPECT_FALSE(QFontInfo(next->font()).fixedPitch());
}

TEST_F(ConnectionWindowTest, PrefillFromAnEightChannelMultiplexer)
{
    writeKonfig("$1\tCOM3:19200:MUX4:6\t2\tKELVO\r\n");
    start();
    EXPECT_EQ(control<QSpinBox>("csPort")->value(), 3);
    EXPECT_EQ(control<QComboBox>("cbSpeed")->currentText(), QStringLiteral("19200 b/s"));
    EXPECT_EQ(control<RadioGroup>("rgMultiplexerType")->itemIndex(), 2);
    EXPECT_EQ(control<RadioGroup>("rgKanal")->itemIndex(), 5) << "channel 6";
    EXPECT_TRUE(control<RadioGroup>("rgKanal")->isVisible());
}

TEST_F(ConnectionWindowTest, PrefillWithAnUnknownSpeedKeepsTheSpeedList)
{
    writeKonfig("$1\tCOM5:38400:MUX1:3\t2\tKELVO\r\n");
    start();
    EXPECT_EQ(control<QSpinBox>("csPort")->value(), 5);
    EXPECT_EQ(control<QComboBox>("cbSpeed")->currentIndex(), 0);
    auto* channel = control<RadioGroup>("rgKanal");
    EXPECT_EQ(control<RadioGroup>("rgMultiplexerType")->itemIndex(), 1);
    EXPECT_EQ(items(channel), (QStringList {"1", "2", "3", "4"})) << "the click reaction ran";
    EXPECT_EQ(columns(channel), 1);
    EXPECT_EQ(channel->itemIndex(), 2);
}

TEST_F(ConnectionWindowTest, ClickingTheConnectionKindRebuildsTheChannelList)
{
    start();
    auto* kind = control<RadioGroup>("rgMultiplexerType");
    auto* channel = control<RadioGroup>("rgKanal");
    channel->setItemIndex(6);
    QTest::mouseClick(kind->button(1), Qt::LeftButton);
    EXPECT_EQ(items(channel), (QStringList {"1", "2", "3", "4"}));
    EXPECT_EQ(channel->itemIndex(), 0) << "channel 7 is gone: the first is selected";
    channel->setItemIndex(2);
    QTest::mouseClick(kind->button(0), Qt::LeftButton);
    EXPECT_FALSE(channel->isVisible());
    QTest::mouseClick(kind->button(2), Qt::LeftButton);
    EXPECT_TRUE(channel->isVisible());
    EXPECT_EQ(channel->count(), 8);
    EXPECT_EQ(columns(channel), 2);
    EXPECT_EQ(channel->itemIndex(), 2) << "a channel that still exists stays chosen";
}

TEST_F(ConnectionWindowTest, WithoutARegisterYesAndYesLeadToTheMainWindow)
{
    start();
    control<RadioGroup>("rgKanal")->setItemIndex(4);
    control<QComboBox>("cbSpeed")->setCurrentIndex(3);
    answers_.press(QMessageBox::Yes);
    answers_.press(QMessageBox::Yes);
    QTest::mouseClick(control<QPushButton>("dDalej"), Qt::LeftButton);
    ASSERT_EQ(answers_.seen().size(), 2u) << "asked after the number and after the unique number";
    for (const auto& seen : answers_.seen()) {
        EXPECT_EQ(seen.caption, QStringLiteral("UWAGA"));
        EXPECT_EQ(seen.text, QStringLiteral("BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO\nCOM1 → %1: nie ma takiego "
                                            "pliku (urządzenie odłączone albo źle wskazane)\nCZY URUCHOMIĆ PROGRAM BEZ "
                                            "PODŁĄCZENIA DO KASY?")
                                 .arg(QString::fromStdString(dir_.file("com"))))
            << "the driver's message, what was found at the port, the question";
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    }
    EXPECT_TRUE(mainWindow().isVisible());
    EXPECT_FALSE(range().isVisible());
    EXPECT_EQ(ends_, 0);
    EXPECT_EQ(readFile(work("KONFIG.TXT")), "$1\tCOM1:57600:MUX0:1\t2\tKELVO") << "a direct line always uses channel 1";
    EXPECT_EQ(readFile(work("IN1")), "#1\r\n#\r\n#\r\n$MARK\t0");
    EXPECT_FALSE(inFolder("in")) << "the failed attempt's files go";
}

TEST_F(ConnectionWindowTest, NoAfterTheNumberEndsTheProgramOnceTheUniqueNumberWasTried)
{
    start();
    answers_.press(QMessageBox::No);
    answers_.press(QMessageBox::Yes);
    QTest::mouseClick(control<QPushButton>("dDalej"), Qt::LeftButton);
    EXPECT_EQ(answers_.seen().size(), 2u);
    EXPECT_EQ(ends_, 1);
    EXPECT_TRUE(mainWindow().isVisible()) << "the second answer decided what shows until the end";
}

TEST_F(ConnectionWindowTest, NoAfterTheUniqueNumberKeepsTheConnectionWindowForAnotherTry)
{
    start();
    answers_.press(QMessageBox::Yes);
    answers_.press(QMessageBox::No);
    QTest::mouseClick(control<QPushButton>("dDalej"), Qt::LeftButton);
    EXPECT_EQ(answers_.seen().size(), 2u);
    EXPECT_EQ(ends_, 0);
    EXPECT_TRUE(connection().isVisible());

    answers_.press(QMessageBox::No);
    answers_.press(QMessageBox::No);
    QTest::keyClick(control<QSpinBox>("csPort"), Qt::Key_Return);
    EXPECT_EQ(answers_.seen().size(), 4u) << "Enter in the port field acts as \"&Dalej\"";
    EXPECT_EQ(ends_, 1);
    EXPECT_TRUE(connection().isVisible());
}

TEST_F(ConnectionWindowTest, ZakonczSweepsTheFolderAndTheCloseBoxDoesNot)
{
    writeKonfig("$1\tCOM1:9600:MUX0:1\t2\tKELVO");
    for (const char* name : {"out.txt", "in", "raport.txt", "notatki.txt"})
        writeFile(work(name), "x");
    writeFile(work("ABC_SZCZ201201.txt"), "   R A P O R T   O K R E S O W Y\r\n");
    start();
    connection().close();
    EXPECT_EQ(ends_, 1);
    EXPECT_EQ(folderNames().size(), 6u) << "the close box ends at once, nothing swept";

    start();
    QTest::mouseClick(control<QPushButton>("bZakoncz"), Qt::LeftButton);
    EXPECT_EQ(ends_, 2);
    EXPECT_EQ(folderNames(), (std::vector<std::string> {"KONFIG.TXT", "notatki.txt"}));
}

TEST_F(ConnectionWindowTest, ADeviceChosenBesideThePortIsMappedAndReached)
{
    startRegister({"--scenario", scenario("orvan-month.json")});
    std::filesystem::create_directories(dir_.file("devices/dev/serial/by-id"));
    std::filesystem::create_symlink(dir_.file("com"), dir_.file("devices/dev/ttyUSB0"));
    std::filesystem::create_symlink("../../ttyUSB0", dir_.file("devices/dev/serial/by-id/usb-adapter-port0"));
    const QString byId = QString::fromStdString(dir_.file("devices/dev/serial/by-id/usb-adapter-port0"));
    const QString device = QString::fromStdString(dir_.file("devices/dev/ttyUSB0"));
    start();

    auto* label = control<QLabel>("lPortDevice");
    EXPECT_EQ(label->text(), QStringLiteral("→ %1").arg(QString::fromStdString(dir_.file("com"))));
    control<QSpinBox>("csPort")->setValue(2);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("→ /dev/ttyS1"))) << label->text().toStdString();
    auto* devices = control<QComboBox>("cbDevice");
    ASSERT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->itemText(0), QStringLiteral("%1 → %2 (adapter USB)").arg(byId, device));
    EXPECT_EQ(devices->itemText(1), QStringLiteral("%1 (adapter USB)").arg(device));
    EXPECT_EQ(devices->currentIndex(), -1) << "nothing is chosen until the user chooses";

    devices->setCurrentIndex(1);
    emit devices->activated(1);
    EXPECT_EQ(readFile(dir_.file("config/kelvor/ports.conf")), "COM2=" + byId.toStdString() + "\n")
        << "the by-id name is written, so that a replugged adapter keeps its port";
    EXPECT_EQ(label->text(), QStringLiteral("→ %1").arg(byId));
    EXPECT_EQ(devices->currentText(), devices->itemText(0));

    QTest::mouseClick(control<QPushButton>("dDalej"), Qt::LeftButton);
    EXPECT_TRUE(answers_.seen().empty()) << answers_.seen().front().text.toStdString();
    EXPECT_TRUE(range().isVisible()) << "COM2 reached the register through the chosen device";
    EXPECT_NE(readFile(work("KONFIG.TXT")).find("COM2:9600"), std::string::npos);
}

TEST_F(ConnectionWindowTest, AutodetectionFindsTheRegisterAndGoesOnAsDalej)
{
    startRegister({"--scenario", scenario("orvan-month.json"), "--line-speed", "28800"});
    std::filesystem::create_directories(dir_.file("devices/dev"));
    writeFile(dir_.file("devices/dev/ttyUSB0"), "");
    std::filesystem::create_symlink(dir_.file("com"), dir_.file("devices/dev/ttyUSB1"));
    start();
    control<QSpinBox>("csPort")->setValue(2);

    QString title;
    bool stopButton = false;
    answers_.push([&](QWidget* dialog) {
        title = dialog->windowTitle();
        stopButton = dialog->findChild<QPushButton*>(QStringLiteral("bPrzerwij")) != nullptr;
    });
    QTest::mouseClick(control<QPushButton>("bAutodetekcja"), Qt::LeftButton);

    EXPECT_EQ(title, QStringLiteral("AUTODETEKCJA KASY"));
    EXPECT_TRUE(stopButton);
    ASSERT_EQ(answers_.seen().size(), 1u) << "no question after the search: " << answers_.seen().back().text.toStdString();
    EXPECT_TRUE(range().isVisible()) << "the register found is connected to as with \"&Dalej\"";
    EXPECT_EQ(control<QSpinBox>("csPort")->value(), 1) << "COM1 led to the device already";
    EXPECT_EQ(control<QComboBox>("cbSpeed")->currentText(), QStringLiteral("28800 b/s"));
    EXPECT_NE(readFile(work("KONFIG.TXT")).find("COM1:28800:MUX0:1"), std::string::npos) << readFile(work("KONFIG.TXT"));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("config/kelvor/ports.conf"))) << "the map needed no change";
}

TEST_F(ConnectionWindowTest, AutodetectionStoppedLeavesTheWindowAndTheMapAsTheyWere)
{
    const kelvo::test::PtyPair silent;
    std::filesystem::create_directories(dir_.file("devices/dev"));
    std::filesystem::create_symlink(silent.slavePath(), dir_.file("devices/dev/ttyUSB0"));
    start();
    control<QSpinBox>("csPort")->setValue(2);

    answers_.push([](QWidget* dialog) {
        if (auto* stop = dialog->findChild<QPushButton*>(QStringLiteral("bPrzerwij")))
            stop->click();
    });
    QTest::mouseClick(control<QPushButton>("bAutodetekcja"), Qt::LeftButton);

    EXPECT_EQ(answers_.seen().size(), 1u) << "stopping asks nothing more";
    EXPECT_TRUE(connection().isVisible());
    EXPECT_FALSE(range().isVisible());
    EXPECT_EQ(control<QSpinBox>("csPort")->value(), 2);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("config/kelvor/ports.conf")));
    EXPECT_FALSE(inFolder("KONFIG.TXT"));
}
