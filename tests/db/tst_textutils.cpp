// The text utilities: fields of delimited texts, the password scrambling, the
// upper-case format of the personnel code, and the wait that keeps events running.

#include "FakeClock.h"
#include "TextUtils.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace tolvan;

class TestTextUtils : public QObject {
    Q_OBJECT

private slots:
    void getField_data();
    void getField();
    void getFieldOnLongTexts();
    void xorTextRoundTrip();
    void xorTextUsesWindows1252Codes();
    void upperCaseFormat_data();
    void upperCaseFormat();
    void waitRunsEventsAndReturnsOnTime();
    void waitOfTenSecondsOnTheClock();
    void waitsOnTheClock_data();
    void waitsOnTheClock();
};

void TestTextUtils::getField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    QTest::newRow("middle") << "a|b|c"
                            << "|" << 2 << "b";
    QTest::newRow("last") << "a|b|c"
                          << "|" << 3 << "c";
    QTest::newRow("beyond the last") << "a|b|c"
                                     << "|" << 4 << "x";
    QTest::newRow("empty field") << "a||c"
                                 << "|" << 2 << "x";
    QTest::newRow("empty text") << ""
                                << "|" << 1 << "x";
    QTest::newRow("field 0") << "a|b"
                             << "|" << 0 << "x";
    QTest::newRow("negative") << "a|b"
                              << "|" << -3 << "x";
    QTest::newRow("space") << "5 2"
                           << " " << 1 << "5";
    QTest::newRow("two spaces") << "5  2"
                                << " " << 2 << "x";
    QTest::newRow("after two spaces") << "5  2"
                                      << " " << 3 << "2";
    QTest::newRow("no separator in text") << "TOLVAN Dravonik"
                                          << "[" << 1 << "TOLVAN Dravonik";
    QTest::newRow("longer separator: whole text") << "a||b"
                                                  << "||" << 1 << "a||b";
    QTest::newRow("longer separator: no field 2") << "a||b"
                                                  << "||" << 2 << "x";
    QTest::newRow("empty separator") << "a|b"
                                     << "" << 1 << "a|b";
    QTest::newRow("case-sensitive") << "aXbxc"
                                    << "x" << 2 << "c";
    QTest::newRow("trailing separator") << "a|"
                                        << "|" << 2 << "x";
}

void TestTextUtils::getField()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(GetField(text, separator, n, "x"), expected);
}

void TestTextUtils::getFieldOnLongTexts()
{
    // Beyond what a 16-bit position could reach.
    const QString first(40000, u'a');
    const QString second(70000, u'b');
    const QString text = first + u'|' + second + u'|' + "end";
    QCOMPARE(GetField(text, "|", 1), first);
    QCOMPARE(GetField(text, "|", 2), second);
    QCOMPARE(GetField(text, "|", 3), "end");
    QCOMPARE(GetField(text, "|", 4, "none"), "none");
}

void TestTextUtils::xorTextRoundTrip()
{
    QString every;
    for (int code = 0; code <= 0xFFFF; ++code)
        every += QChar(char16_t(code));
    const QString scrambled = XorText(every);
    QCOMPARE(scrambled.size(), every.size());
    QCOMPARE(XorText(scrambled), every);
    QCOMPARE(XorText(QString()), QString());
    QVERIFY(XorText("demo") != "demo");
}

void TestTextUtils::xorTextUsesWindows1252Codes()
{
    // The same stored text on every desktop: "€" is 0x80 in Windows-1252, and
    // 0x80 ^ 0x5A = 0xDA is "Ú"; "d" (0x64) becomes ">" (0x3E).
    QCOMPARE(XorText("€"), "Ú");
    QCOMPARE(XorText("demo"), ">?75");
    // The scrambled text of a code-page character stays in the code page.
    QCOMPARE(XorText("\u00DA"), "€");
    // Characters outside it stay as they are.
    QCOMPARE(XorText("ł中"), "ł中");
}

void TestTextUtils::upperCaseFormat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letters") << "demo1"
                             << "DEMO1";
    QTest::newRow("umlauts") << "müller-öäü"
                             << "MÜLLER-ÖÄÜ";
    QTest::newRow("sharp s keeps the length") << "straße"
                                              << "STRAßE";
    QTest::newRow("other scripts") << "łódź ελλάδα"
                                   << "ŁÓDŹ ΕΛΛΆΔΑ";
    QTest::newRow("outside the basic plane") << "𐐨x"
                                             << "𐐀X";
    QTest::newRow("lone surrogate kept")
        << QString(QChar(0xD800)) + "a" << QString(QChar(0xD800)) + "A";
}

void TestTextUtils::upperCaseFormat()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(tolvan::upperCaseFormat(text), expected);
}

void TestTextUtils::waitRunsEventsAndReturnsOnTime()
{
    // The real clock, a short wait: a timer fires during it, and it does not return early.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    WaitHundredths(6);
    QVERIFY(elapsed.elapsed() >= 60);
    QVERIFY(ticks >= 2);
    elapsed.restart();
    WaitHundredths(0);
    WaitHundredths(-5);
    QVERIFY(elapsed.elapsed() < 50);
}

void TestTextUtils::waitOfTenSecondsOnTheClock()
{
    FakeClock clock;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    WaitHundredths(1000);
    QCOMPARE(clock.waits, QList<qint64>{10000});
    QVERIFY(ran); // pending events ran during the wait
}

void TestTextUtils::waitsOnTheClock_data()
{
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<QList<qint64>>("waits");
    QTest::newRow("one hundredth") << 1 << QList<qint64>{10};
    QTest::newRow("a day") << 8'640'000 << QList<qint64>{86'400'000};
    QTest::newRow("nothing") << 0 << QList<qint64>{};
    QTest::newRow("negative") << -5 << QList<qint64>{};
}

void TestTextUtils::waitsOnTheClock()
{
    // On the fake clock a wait that does not move the time on ends the test
    // at once (FakeClock), instead of spinning until ctest's timeout.
    QFETCH(int, hundredths);
    QFETCH(QList<qint64>, waits);
    FakeClock clock;
    const qint64 start = clock.time;
    WaitHundredths(hundredths);
    QCOMPARE(clock.waits, waits);
    QCOMPARE(clock.time - start, std::max<qint64>(0, qint64(hundredths) * 10));
}

QTEST_GUILESS_MAIN(TestTextUtils)
#include "tst_textutils.moc"
