// The window placement store on the offscreen platform (one screen, no frames): the twips
// conversion, reading stored numbers, the round trip, and the values a window cannot take.

#include "GuiTest.h"
#include "IniSettingsStore.h"
#include "Twips.h"
#include "WindowPlacement.h"

#include <QScreen>
#include <QSettings>
#include <QtTest>

using namespace tolvan;

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void twipsToPixels_data();
    void twipsToPixels();
    void leadingNumber_data();
    void leadingNumber();
    void nothingStored();
    void roundTrip();
    void storedValues_data();
    void storedValues();
    void handWrittenDecimalComma();
    void neverShownKeepsTheOldEntry();
    void minimizedKeepsTheOldEntry();
    void maximizedStoredAsItIs();

private:
    QString stored() { return GetSetting({"WendmarZV", "Windowpos", "Test"}, "(none)"); }
    void store(const QString &value) { SaveSetting({"WendmarZV", "Windowpos", "Test"}, value); }

    QTemporaryDir m_folder;
    std::unique_ptr<IniSettingsStore> m_settings;
    std::unique_ptr<QWidget> m_window;
};

void TestPlacement::init()
{
    m_settings = std::make_unique<IniSettingsStore>(m_folder.path());
    QSettings(m_settings->fileName("WendmarZV"), QSettings::IniFormat).clear();
    SettingsStore::install(m_settings.get());
    m_window = std::make_unique<QWidget>();
    m_window->setGeometry(30, 40, 300, 200); // its layout place
}

void TestPlacement::cleanup()
{
    m_window.reset();
    SettingsStore::install(nullptr);
}

void TestPlacement::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("7") << 7 << 0;
    QTest::newRow("8") << 8 << 1;
    QTest::newRow("15") << 15 << 1;
    QTest::newRow("22") << 22 << 1;
    QTest::newRow("23") << 23 << 2;
    QTest::newRow("1507") << 1507 << 100;
    QTest::newRow("1508") << 1508 << 101;
    QTest::newRow("-7") << -7 << 0;
    QTest::newRow("-8") << -8 << -1;
    QTest::newRow("-15") << -15 << -1;
    QTest::newRow("-22") << -22 << -1;
    QTest::newRow("-23") << -23 << -2;
    QTest::newRow("-1500") << -1500 << -100;
    QTest::newRow("-1508") << -1508 << -101;
}

void TestPlacement::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(tolvan::twipsToPixels(twips), pixels);
}

void TestPlacement::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("whole") << "1500" << 1500.0;
    QTest::newRow("decimal comma") << "12,7" << 12.0;
    QTest::newRow("decimal point") << "12.75" << 12.75;
    QTest::newRow("leading blanks") << "  \t42" << 42.0;
    QTest::newRow("trailing letters") << "42px" << 42.0;
    QTest::newRow("negative") << "-345" << -345.0;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("exponent") << "1E3" << 1000.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
}

void TestPlacement::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(tolvan::leadingNumber(text), number);
}

void TestPlacement::nothingStored()
{
    QVERIFY(!RestoreWindowPos(*m_window, "Test"));
    store("");
    QVERIFY(!RestoreWindowPos(*m_window, "Test"));
    QCOMPARE(m_window->geometry(), QRect(30, 40, 300, 200));
}

void TestPlacement::roundTrip()
{
    store("1500|1200|6000|4500");
    QVERIFY(RestoreWindowPos(*m_window, "Test"));
    QCOMPARE(m_window->frameGeometry(), QRect(100, 80, 400, 300));
    m_window->show();
    m_window->move(-150, 90); // on a monitor left of the primary one, say
    SaveWindowPos(*m_window, "Test");
    QCOMPARE(stored(), "-2250|1350|6000|4500");
}

void TestPlacement::storedValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("not whole pixels") << "1507|1193|6011|4492" << QRect(100, 80, 401, 299);
    QTest::newRow("decimal comma") << "1500,9|1200|6000|4500" << QRect(100, 80, 400, 300);
    QTest::newRow("more than four fields") << "1500|1200|6000|4500|7|x" << QRect(100, 80, 400, 300);
    // A size too small to use: the window's layout size (300 x 200).
    QTest::newRow("letters: 0, and the layout size") << "a|b|c|d" << QRect(0, 0, 300, 200);
    QTest::newRow("fewer than four fields") << "1500|1200" << QRect(100, 80, 300, 200);
    QTest::newRow("zero size") << "1500|1200|0|0" << QRect(100, 80, 300, 200);
    QTest::newRow("negative size") << "1500|1200|-6000|-4500" << QRect(100, 80, 300, 200);
    QTest::newRow("small but usable, exactly") << "1500|1200|1800|900" << QRect(100, 80, 120, 60);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::newRow("huge size") << "0|0|999999999999|999999999999"
                               << QRect(0, 0, screen.width(), screen.height());
    QTest::newRow("huge place: onto the screen")
        << "99999999999|-99999999999|6000|4500" << QRect(screen.width() - 400, 0, 400, 300);
    QTest::newRow("off every screen, left") << "-30000|1500|6000|4500" << QRect(0, 100, 400, 300);
    QTest::newRow("off every screen, below")
        << "1500|30000|6000|4500" << QRect(100, screen.height() - 300, 400, 300);
    // The title bar must stay on the screen, with at least 100 px of the width.
    QTest::newRow("100 px visible on the left stays")
        << "-4500|1500|6000|4500" << QRect(-300, 100, 400, 300);
    QTest::newRow("99 px visible on the left: onto the screen")
        << "-4515|1500|6000|4500" << QRect(0, 100, 400, 300);
    QTest::newRow("100 px visible on the right stays")
        << QString("%1|1500|6000|4500").arg((screen.width() - 100) * 15)
        << QRect(screen.width() - 100, 100, 400, 300);
    QTest::newRow("99 px visible on the right: onto the screen")
        << QString("%1|1500|6000|4500").arg((screen.width() - 99) * 15)
        << QRect(screen.width() - 400, 100, 400, 300);
    QTest::newRow("title bar at the top edge stays")
        << "1500|0|6000|4500" << QRect(100, 0, 400, 300);
    QTest::newRow("title bar one pixel above the screen")
        << "1500|-15|6000|4500" << QRect(100, 0, 400, 300);
    QTest::newRow("title bar just above the bottom edge stays")
        << QString("1500|%1|6000|4500").arg((screen.height() - 30) * 15)
        << QRect(100, screen.height() - 30, 400, 300);
    QTest::newRow("title bar cut by the bottom edge")
        << QString("1500|%1|6000|4500").arg((screen.height() - 29) * 15)
        << QRect(100, screen.height() - 300, 400, 300);
    QTest::newRow("only a corner visible, title bar above the screen")
        << "-6000|-6000|8565|7230" << QRect(0, 0, 571, 482);
    QTest::newRow("not a number at all") << "nan|inf|1e400|-1e400" << QRect(0, 0, 300, 200);
}

void TestPlacement::storedValues()
{
    QFETCH(QString, value);
    QFETCH(QRect, expected);
    store(value);
    QVERIFY(RestoreWindowPos(*m_window, "Test"));
    QCOMPARE(m_window->frameGeometry(), expected);
}

void TestPlacement::handWrittenDecimalComma()
{
    // As an administrator writes it: only the whole part before the comma counts.
    QFile file(m_settings->fileName("WendmarZV"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Windowpos]\r\nTest=3000,5|1500|9000|7230\r\n");
    file.close();
    QVERIFY(RestoreWindowPos(*m_window, "Test"));
    QCOMPARE(m_window->frameGeometry(), QRect(200, 100, 600, 482));
}

void TestPlacement::neverShownKeepsTheOldEntry()
{
    store("1500|1200|6000|4500");
    SaveWindowPos(*m_window, "Test"); // closed before it was ever shown
    QCOMPARE(stored(), "1500|1200|6000|4500");
}

void TestPlacement::minimizedKeepsTheOldEntry()
{
    store("1500|1200|6000|4500");
    m_window->showMinimized();
    QTRY_VERIFY(m_window->isMinimized());
    SaveWindowPos(*m_window, "Test");
    QCOMPARE(stored(), "1500|1200|6000|4500");
}

void TestPlacement::maximizedStoredAsItIs()
{
    m_window->showMaximized();
    QTRY_VERIFY(m_window->isMaximized());
    const QRect maximized = m_window->frameGeometry();
    SaveWindowPos(*m_window, "Test");
    QCOMPARE(stored(), QStringLiteral("%1|%2|%3|%4")
                           .arg(maximized.left() * 15)
                           .arg(maximized.top() * 15)
                           .arg(maximized.width() * 15)
                           .arg(maximized.height() * 15));
    // Restored as a normal window of that place and size.
    QWidget again;
    QVERIFY(RestoreWindowPos(again, "Test"));
    again.show();
    QVERIFY(!again.isMaximized());
    QCOMPARE(again.frameGeometry(), maximized);
}

TOLVAN_GUI_TEST_MAIN(TestPlacement)
#include "tst_placement.moc"
