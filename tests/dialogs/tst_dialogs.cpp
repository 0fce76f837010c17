// The login and server settings dialogs on the real demo database: focus and
// the personnel code's upper case, storing, the login from the menu and the
// title it rewrites, "Abbruch", the server settings dialog's modes, the idle timer.

#include "Connecting.h"
#include "ConnectionSettings.h"
#include "FakeClock.h"
#include "FakeMessageBoxes.h"
#include "Forms.h"
#include "LoginDialog.h"
#include "PicturePushButton.h"
#include "ProgramTest.h"
#include "ServerCalls.h"
#include "ServerDialog.h"
#include "Session.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

using namespace tolvan;
using testing::child;

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void focusAndUpperCaseInTheLoginDialog();
    void anmeldenStoresTheSettings();
    void menuLoginRewritesTheTitle_data();
    void menuLoginRewritesTheTitle();
    void abbruchEndsTheProgram();
    void serverSettingsModes();
    void storingServerSettingsReconnects();
    void serverDialogKeys();
    void loginDialogKeys_data();
    void loginDialogKeys();
    void serverButtonShowsTheSettingsOwned();
    void settingsHiddenDuringFailedAttemptsComeBack();
    void idleTimerClosesTheConnection();

private:
    QString stored(const QString &key);
    QLineEdit *loginField(const QString &name) { return child<QLineEdit>(&forms::login(), name); }
    QLineEdit *serverField(const QString &name) { return child<QLineEdit>(&forms::server(), name); }
    void clickEdit() { QTest::mouseClick(child(&forms::server(), "BUEdit"), Qt::LeftButton); }
    int connectionLogRows();

    TestDatabase m_db;
    FakeMessageBoxes m_messages;
    QWidget m_main; // stands in for the main window
};

void TestDialogs::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestDialogs::init()
{
    testing::services->ends.clear();
    testing::services->recordEnds();
    QSettings(testing::services->settings.fileName("Cache Login"), QSettings::IniFormat).clear();
    session() = Session();
    session().ConnectString = m_db.connectString();
    m_messages.reset();
    forms::setMainWindow(&m_main);
}

void TestDialogs::cleanup()
{
    testing::stopModalDrivers();
    QCOMPARE(m_messages.unexpected, 0);
    CloseConnection();
    m_main.hide();
    forms::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    forms::setMainWindow(nullptr);
}

QString TestDialogs::stored(const QString &key)
{
    return GetSetting({"Cache Login", "Login", key}, "(none)");
}

int TestDialogs::connectionLogRows()
{
    auto rows = m_db.engine().query("SELECT count(*) FROM connection_log");
    return rows->next() ? rows->text(0).toInt() : -1;
}

void TestDialogs::focusAndUpperCaseInTheLoginDialog()
{
    LoginDialog &dialog = forms::login();
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), loginField("BPASSWORT"));

    // Leaving the name field for another control writes it in upper case.
    QLineEdit *user = loginField("BUSER");
    user->setFocus(Qt::MouseFocusReason);
    user->setText("müller-straße");
    QTest::keyClick(user, Qt::Key_Tab);
    QCOMPARE(user->text(), "MÜLLER-STRAßE");
    QCOMPARE(QApplication::focusWidget(), child(&dialog, "BUSpeich"));

    // Another window taking the activation does not count as leaving the field,
    // and the next activation puts the focus into the password field, all selected.
    user->setFocus(Qt::MouseFocusReason);
    user->setText("klein");
    loginField("BPASSWORT")->setText("geheim");
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(user->text(), "klein");
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), loginField("BPASSWORT"));
    QCOMPARE(loginField("BPASSWORT")->selectedText(), "geheim");
}

void TestDialogs::anmeldenStoresTheSettings()
{
    LoginDialog &dialog = forms::login();
    serverField("BFIRMA")->setText("2");
    serverField("BFIL")->setText("");
    serverField("BSERVERIP")->setText("db.example");
    serverField("BPORT")->setText("1999");
    serverField("BNAMESPACE")->setText("WARE");
    loginField("BUSER")->setText("meier");
    loginField("BPASSWORT")->setText("Geheim€");
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    loginField("BUSER")->setFocus();
    // Enter in the name field: "Anmelden" stores the name in upper case all the same.
    QTest::keyClick(loginField("BUSER"), Qt::Key_Return);
    QVERIFY(dialog.isHidden()); // the main window is not up: only stored and hidden
    QCOMPARE(stored("Firma"), "2");
    QCOMPARE(stored("Filiale"), "");
    QCOMPARE(stored("Name"), "MEIER");
    QCOMPARE(XorText(stored("Passwort")), "Geheim€");
    QCOMPARE(stored("Server"), "db.example");
    QCOMPARE(stored("Port"), "1999");
    QCOMPARE(stored("Namespace"), "WARE");

    // After a server error of a login the stored password is kept.
    session().KeepTypedPassword = true;
    loginField("BPASSWORT")->setText("");
    dialog.Sichern();
    QCOMPARE(XorText(stored("Passwort")), "Geheim€");
    session().KeepTypedPassword = false;
    dialog.Sichern();
    QCOMPARE(stored("Passwort"), ""); // an empty password is stored as such
}

void TestDialogs::menuLoginRewritesTheTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    const QString start = "TOLVAN Dravonik-Export              Firma: 1     Filiale: 0     "
                          "Benutzer:  Erika Musterfrau";
    const QString kept =
        "TOLVAN Dravonik-Export              Firma: 1     Filiale: 0     Benutzer:";
    QTest::newRow("after the start") << start << "demo" << kept + " DEMO|Erika Musterfrau";
    QTest::newRow("failed login: one blank") << start << "falsch" << kept + " ";
    QTest::newRow("no colon") << "TOLVAN"
                              << "demo"
                              << " DEMO|Erika Musterfrau";
    QTest::newRow("colon in the display name")
        << kept + " DEMO|Dr: Erika"
        << "demo" << kept + " DEMO|Dr: DEMO|Erika Musterfrau";
    QTest::newRow("cut at the first [") << "A: x [B: y"
                                        << "demo"
                                        << "A: DEMO|Erika Musterfrau";
}

void TestDialogs::menuLoginRewritesTheTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    m_main.setWindowTitle(title);
    m_main.show();
    forms::server(); // loaded, with its design-time connection data
    serverField("BSERVERIP")->setText(m_db.serverAddress());
    serverField("BPORT")->setText(m_db.port());
    loginField("BUSER")->setText("DEMO");
    loginField("BPASSWORT")->setText(password);
    LoginDialog &dialog = forms::login();
    dialog.setParent(&m_main, dialog.windowFlags());
    dialog.show();
    if (password != u"demo")
        m_messages.expect(MessageAnswer::Ok);
    QTest::mouseClick(child(&dialog, "BUSpeich"), Qt::LeftButton);
    QCOMPARE(m_main.windowTitle(), expected);
    QVERIFY(dialog.isHidden());
    QVERIFY(forms::server().isHidden());
    QCOMPARE(session().UserIdent.isEmpty(), password != u"demo");
    QVERIFY(testing::services->ends.isEmpty());
}

void TestDialogs::abbruchEndsTheProgram()
{
    session().UserIdent = "DEMO|Erika Musterfrau";
    LoginDialog &dialog = forms::login();
    QPointer<ServerDialog> server = &forms::server();
    m_main.show();
    dialog.show();
    QTest::mouseClick(child(&dialog, "BUAusst"), Qt::LeftButton);
    QCOMPARE(testing::services->ends, QList<int>{0});
    QVERIFY(session().UserIdent.isEmpty());
    QVERIFY(m_main.isHidden()); // every window is unloaded
    QTRY_VERIFY(!server);

    testing::services->ends.clear();
    testing::services->recordEnds();
    forms::login().show();
    QTest::keyClick(&forms::login(), Qt::Key_Escape);
    QCOMPARE(testing::services->ends, QList<int>{0});
}

void TestDialogs::serverSettingsModes()
{
    ServerDialog &dialog = forms::server();
    auto *edit = child<PicturePushButton>(&dialog, "BUEdit");
    const QStringList editable{"BPORT", "BSERVERIP", "BFIRMA", "BFIL", "BNAMESPACE"};
    const auto unlocked = [&] {
        int count = 0;
        for (const QString &name : editable)
            count += serverField(name)->isEnabled() ? 1 : 0;
        return count;
    };
    dialog.show();

    // No to "Änderungen erlauben?": nothing changes, and the next click asks again.
    m_messages.expect(MessageAnswer::No);
    clickEdit();
    QCOMPARE(m_messages.shown.last().text, "Änderungen erlauben?");
    QCOMPARE(m_messages.shown.last().title, "Anmeldung an Caché");
    QCOMPARE(m_messages.shown.last().icon, MessageIcon::None);
    QCOMPARE(m_messages.shown.last().buttons, MessageButtons::YesNo);
    QCOMPARE(unlocked(), 0);
    QVERIFY(!edit->value());
    m_messages.expect(MessageAnswer::Yes);
    clickEdit();
    QCOMPARE(m_messages.shown.last().text, "Änderungen erlauben?");
    QCOMPARE(unlocked(), 5);
    QVERIFY(!serverField("BWJ")->isEnabled());

    // Edit, then No to "Änderungen sichern?": locked, showing the new port, not stored…
    serverField("BPORT")->setText("1999");
    m_messages.expect(MessageAnswer::No);
    clickEdit();
    QCOMPARE(m_messages.shown.last().text, "Änderungen sichern?");
    QCOMPARE(unlocked(), 0);
    QCOMPARE(serverField("BPORT")->text(), "1999");
    QCOMPARE(stored("Port"), "(none)");
    // …but stored by the next "Anmelden".
    forms::login().Sichern();
    QCOMPARE(stored("Port"), "1999");

    // Unlocked and left with "Zurück": still unlocked when shown again.
    m_messages.expect(MessageAnswer::Yes);
    clickEdit();
    QTest::mouseClick(child(&dialog, "BUZurück"), Qt::LeftButton);
    QVERIFY(dialog.isHidden());
    dialog.show();
    QCOMPARE(unlocked(), 5);
    QVERIFY(edit->value());
    m_messages.expect(MessageAnswer::No);
    clickEdit();
    QCOMPARE(m_messages.shown.last().text, "Änderungen sichern?");
    QVERIFY(!serverField("BWJ")->isEnabled());
}

void TestDialogs::storingServerSettingsReconnects()
{
    ConnectServer();
    const int logged = connectionLogRows();
    ServerDialog &dialog = forms::server();
    dialog.show();
    m_messages.expect(MessageAnswer::Yes);
    clickEdit();
    serverField("BSERVERIP")->setText(m_db.serverAddress());
    serverField("BPORT")->setText(m_db.port());
    serverField("BNAMESPACE")->setText("ANDERS");
    serverField("BWJ")->setText("");
    loginField("BUSER")->setText("DEMO");
    m_messages.expect(MessageAnswer::Yes);
    clickEdit();
    // Stored, the connection closed and made anew, the WJ value read again.
    QCOMPARE(stored("Namespace"), "ANDERS");
    QCOMPARE(stored("Name"), "DEMO");
    QCOMPARE(connectionLogRows(), logged + 1);
    QCOMPARE(serverField("BWJ")->text(), "2026");
    QCOMPARE(serverField("BNAMESPACE")->text(), "ANDERS");
    QVERIFY(session().ConnectString.endsWith("]:TOLVAN"));
    QVERIFY(dialog.lockTimer().isActive());
}

void TestDialogs::serverDialogKeys()
{
    ServerDialog &dialog = forms::server();
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), child(&dialog, "BUEdit"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible()); // no cancel button

    // Enter on the focused "Ändern" is "Zurück", the default button: nothing asked.
    QTest::keyClick(child(&dialog, "BUEdit"), Qt::Key_Return);
    QVERIFY(dialog.isHidden());
    QCOMPARE(m_messages.shown.size(), 0);

    // Space presses the focused button.
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    m_messages.expect(MessageAnswer::Yes);
    QTest::keyClick(child(&dialog, "BUEdit"), Qt::Key_Space);
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY(serverField("BPORT")->isEnabled());
    // Enter in an unlocked field is "Zurück".
    serverField("BPORT")->setFocus();
    QTest::keyClick(serverField("BPORT"), Qt::Key_Return);
    QVERIFY(dialog.isHidden());
    m_main.show(); // the activation goes elsewhere meanwhile
    m_main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_main));

    // Shown again, still unlocked, the focus is on "Ändern", not in the port
    // field where a Space would replace the port.
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(serverField("BPORT")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), child(&dialog, "BUEdit"));
    QCOMPARE(m_messages.shown.size(), 1);
}

void TestDialogs::loginDialogKeys_data()
{
    QTest::addColumn<QString>("focused");
    QTest::newRow("on Abbruch") << "BUAusst";
    QTest::newRow("on Server") << "BUServer";
    QTest::newRow("on Anmelden") << "BUSpeich";
}

void TestDialogs::loginDialogKeys()
{
    // Enter presses "Anmelden" wherever the focus is; a focused "Abbruch" or
    // "Server" does not take it.
    QFETCH(QString, focused);
    LoginDialog &dialog = forms::login();
    loginField("BUSER")->setText("DEMO");
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy pressed(child<QPushButton>(&dialog, focused), &QPushButton::clicked);
    QSignalSpy anmelden(child<QPushButton>(&dialog, "BUSpeich"), &QPushButton::clicked);
    child(&dialog, focused)->setFocus();
    QTest::keyClick(child(&dialog, focused), Qt::Key_Return);
    QCOMPARE(anmelden.size(), 1);
    QCOMPARE(pressed.size(), focused == "BUSpeich" ? 1 : 0);
    QVERIFY(dialog.isHidden());
    QCOMPARE(testing::services->ends, QList<int>{});
    QCOMPARE(stored("Name"), "DEMO");
}

void TestDialogs::serverButtonShowsTheSettingsOwned()
{
    LoginDialog &login = forms::login();
    login.show();
    QWidget *owner = nullptr;
    bool modal = false;
    testing::whenModal([&](QWidget *shown) {
        if (shown != &forms::server())
            return false;
        owner = shown->parentWidget();
        modal = shown->isModal();
        QTest::mouseClick(child(shown, "BUZurück"), Qt::LeftButton);
        return true;
    });
    QTest::mouseClick(child(&login, "BUServer"), Qt::LeftButton);
    QCOMPARE(owner, &login);
    QVERIFY(modal);
    QVERIFY(forms::server().isHidden());
    QVERIFY(login.isVisible());
}

void TestDialogs::settingsHiddenDuringFailedAttemptsComeBack()
{
    // From the login dialog's "Server": unreachable data stored; while the
    // attempts run, the user leaves with "Zurück"; after the first series the
    // settings come back (not a recursive modal showing that shows nothing).
    LoginDialog &login = forms::login();
    login.show();
    int shownAgain = 0;
    const auto answerAgain = [&](QWidget *again) {
        shownAgain += again == &forms::server() ? 1 : 0;
        m_messages.expect(MessageAnswer::Ok); // the second series fails too
        QTest::mouseClick(child(again, "BUZurück"), Qt::LeftButton);
        return true;
    };
    testing::services->clock.duringWait = [&] {
        if (!forms::server().isVisible() || shownAgain > 0)
            return;
        QTest::mouseClick(child(&forms::server(), "BUZurück"), Qt::LeftButton);
        testing::whenModal(answerAgain);
    };
    testing::whenModal([&](QWidget *modal) {
        if (modal != &forms::server())
            return false;
        m_messages.expect(MessageAnswer::Yes);
        clickEdit();
        serverField("BSERVERIP")->setText("127.0.0.1");
        serverField("BPORT")->setText("1");
        m_messages.expect(MessageAnswer::Yes);
        m_messages.expect(MessageAnswer::Ok); // the first series failed
        clickEdit();
        return true;
    });
    QTest::mouseClick(child(&login, "BUServer"), Qt::LeftButton);
    testing::services->clock.duringWait = nullptr;
    QCOMPARE(shownAgain, 1);
    QCOMPARE(testing::services->ends, QList<int>{1});
    QCOMPARE(m_messages.shown.size(), 4);
}

void TestDialogs::idleTimerClosesTheConnection()
{
    forms::server().lockTimer().setInterval(20);
    QCOMPARE(DBCall("W 1"), "1");
    QVERIFY(forms::server().lockTimer().isActive());
    QTRY_VERIFY(!session().Factory->connected());
    QVERIFY(!forms::server().lockTimer().isActive());
    QCOMPARE(DBCall("W 2"), "2"); // the next call connects again
    QVERIFY(session().Factory->connected());
}

TOLVAN_PROGRAM_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
