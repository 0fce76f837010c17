// The program's start on the real demo database: the login loop with the
// stored data, the login dialog or the command line, the title, and the
// close-down that drops the connection.

#include "Connecting.h"
#include "FakeMessageBoxes.h"
#include "Forms.h"
#include "Guard.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "ProgramTest.h"
#include "Session.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <QtTest>

using namespace tolvan;
using testing::child;

namespace {
// Counts how often the watched window is shown.
class ShowCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Show ? 1 : 0;
        return false;
    }
};
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void title_data();
    void title();
    void storedLoginNeedsNoDialog();
    void refusedLoginBringsTheDialogBack();
    void abbruchAtStartEndsTheProgram();
    void commandLineLogin();
    void refusedCommandLineLoginEndsWithStatus1();
    void closingDropsTheConnection();

private:
    void storeLogin(const QString &name, const QString &password);
    // Loads the main window; false when its login loop did not end in time.
    // A login that never succeeds asks again and again: the program is ended
    // then, as its Abbruch ends it, and the test fails instead of hanging.
    bool load()
    {
        const QDeadlineTimer deadline(LoginBound);
        bool overdue = false;
        QTimer watchdog;
        watchdog.setInterval(10);
        connect(&watchdog, &QTimer::timeout, [&] {
            if (!deadline.hasExpired())
                return;
            overdue = true;
            guard::run([] { UnloadAllForms(1); });
        });
        watchdog.start();
        guard::run([this] { m_window->Form_Load(); });
        return !overdue;
    }
    static constexpr std::chrono::seconds LoginBound{10};
    static constexpr const char *LoginOverdue = "the login did not end within 10 s";

    TestDatabase m_db;
    FakeMessageBoxes m_messages;
    std::unique_ptr<MainWindow> m_window;
};

const QString DemoTitle = "TOLVAN Dravonik-Export              Firma: 1     Filiale: 0     "
                          "Benutzer:  Erika Musterfrau";

void TestStartup::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestStartup::init()
{
    testing::services->ends.clear();
    testing::services->recordEnds();
    QSettings(testing::services->settings.fileName("Cache Login"), QSettings::IniFormat).clear();
    session() = Session();
    setProgramCommandLine(QString());
    m_messages.reset();
    m_window = std::make_unique<MainWindow>();
}

void TestStartup::cleanup()
{
    testing::stopModalDrivers();
    QCOMPARE(m_messages.unexpected, 0);
    CloseConnection();
    forms::unloadAll();
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestStartup::storeLogin(const QString &name, const QString &password)
{
    SaveSetting({"Cache Login", "Login", "Name"}, name);
    SaveSetting({"Cache Login", "Login", "Passwort"}, XorText(password));
}

void TestStartup::title_data()
{
    QTest::addColumn<QString>("firm");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("ident");
    QTest::addColumn<QString>("expected");
    QTest::newRow("logged in") << "1"
                               << "0"
                               << "DEMO|Erika Musterfrau" << DemoTitle;
    QTest::newRow("empty firm and branch")
        << ""
        << ""
        << "DEMO|Erika Musterfrau"
        << "TOLVAN Dravonik-Export              Firma:      Filiale:      Benutzer:  Erika "
           "Musterfrau";
    QTest::newRow("ident without |")
        << "2"
        << "5"
        << "MEIER"
        << "TOLVAN Dravonik-Export              Firma: 2     Filiale: 5     Benutzer:  ";
}

void TestStartup::title()
{
    QFETCH(QString, firm);
    QFETCH(QString, branch);
    QFETCH(QString, ident);
    QFETCH(QString, expected);
    QCOMPARE(MainWindow::titleFor(firm, branch, ident), expected);
}

void TestStartup::storedLoginNeedsNoDialog()
{
    storeLogin("DEMO", "demo");
    ShowCounter shown;
    forms::login().installEventFilter(&shown);
    QVERIFY2(load(), LoginOverdue);
    QCOMPARE(m_window->windowTitle(), DemoTitle);
    QVERIFY(testing::services->ends.isEmpty());
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(shown.count, 0);
    QVERIFY(session().Factory->connected());
}

void TestStartup::refusedLoginBringsTheDialogBack()
{
    storeLogin("DEMO", "falsch");
    m_messages.expect(MessageAnswer::Ok);
    QWidget *focused = nullptr;
    testing::whenModal([&](QWidget *modal) {
        if (modal != &forms::login())
            return false;
        if (!QTest::qWaitForWindowActive(modal)) {
            QTest::mouseClick(child(modal, "BUAusst"), Qt::LeftButton); // ends the login loop
            return true;
        }
        focused = QApplication::focusWidget();
        child<QLineEdit>(modal, "BPASSWORT")->setText("demo");
        QTest::mouseClick(child(modal, "BUSpeich"), Qt::LeftButton);
        return true;
    });
    QVERIFY2(load(), LoginOverdue);
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].text, "Passwort Falsch oder Benutzer nicht Aktiv.");
    QCOMPARE(focused, child(&forms::login(), "BPASSWORT"));
    QCOMPARE(m_window->windowTitle(), DemoTitle);
    QVERIFY(forms::login().isHidden());
    QCOMPARE(XorText(GetSetting({"Cache Login", "Login", "Passwort"})), "demo");
    QVERIFY(testing::services->ends.isEmpty());
}

void TestStartup::abbruchAtStartEndsTheProgram()
{
    testing::whenModal([&](QWidget *modal) {
        if (modal != &forms::login())
            return false;
        QTest::keyClick(modal, Qt::Key_Escape);
        return true;
    });
    QVERIFY2(load(), LoginOverdue);
    QCOMPARE(testing::services->ends, QList<int>{0});
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), "TOLVAN");
}

void TestStartup::commandLineLogin()
{
    setProgramCommandLine(QStringLiteral("1 0 DEMO demo"));
    QVERIFY2(load(), LoginOverdue);
    QCOMPARE(m_window->windowTitle(), DemoTitle);
    QVERIFY(testing::services->ends.isEmpty());
    QCOMPARE(GetSetting({"Cache Login", "Login", "Name"}, "(none)"), "(none)"); // nothing stored
}

void TestStartup::refusedCommandLineLoginEndsWithStatus1()
{
    setProgramCommandLine(QStringLiteral("1 0 DEMO falsch"));
    m_messages.expect(MessageAnswer::Ok);
    QVERIFY2(load(), LoginOverdue);
    QCOMPARE(m_messages.shown.size(), 1); // reported once, not again and again
    QCOMPARE(testing::services->ends, QList<int>{1});
    QVERIFY(!m_window->isVisible());
}

void TestStartup::closingDropsTheConnection()
{
    storeLogin("DEMO", "demo");
    QVERIFY2(load(), LoginOverdue);
    m_window->show();
    QVERIFY(session().Factory->connected());
    m_window->close();
    QVERIFY(!session().Factory->connected());
    QCOMPARE(testing::services->ends, QList<int>{0});
}

TOLVAN_PROGRAM_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
