// The main job in the window on the real demo database: the supplier lookup,
// the stock list refresh and the export file, with the Save dialog and the
// messages answered by fakes; and the same file written without a window.

#include "Connecting.h"
#include "DesktopFolder.h"
#include "Factory.h"
#include "FakeMessageBoxes.h"
#include "Forms.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "ProgramTest.h"
#include "ReportList.h"
#include "SaveDialog.h"
#include "ServerDialog.h"
#include "Session.h"
#include "SettingsStore.h"
#include "TestDatabase.h"
#include "TextUtils.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace tolvan;
using testing::child;

namespace {

// Answers the Save dialog as the test says: a path, or cancel.
class FakeSaveDialog : public SaveDialog {
public:
    QString showSave(const SaveRequest &request) override
    {
        requests << request;
        if (answer.isEmpty())
            throw SaveCancelled();
        return answer;
    }
    QList<SaveRequest> requests;
    QString answer;
};

// A literal's bytes, NUL characters included.
template <std::size_t N> QByteArray bytesOf(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The object server as the program sees it: the same data, whose result sets
// give their rows only as texts, and texts that UTF-8 cannot carry (a lone
// surrogate, a leading byte order mark).
class TextOnlyRows : public ResultSet {
public:
    explicit TextOnlyRows(std::unique_ptr<ResultSet> rows) : m_rows(std::move(rows)) {}
    void execute(QVariant &argument) override { m_rows->execute(argument); }
    bool next() override { return m_rows->next(); }
    QVariant data(int column) override
    {
        return QString(u'\uFEFF' + m_rows->data(column).toString() + u'\xD800');
    }
    void close() override { m_rows->close(); }

private:
    std::unique_ptr<ResultSet> m_rows;
};

class TextOnlyServer : public FactoryBackend {
public:
    explicit TextOnlyServer(std::unique_ptr<Factory> factory) : m_factory(std::move(factory)) {}
    bool connect(QString &connectString) override { return m_factory->connect(connectString); }
    void disconnect() override { m_factory->disconnect(); }
    bool connected() override { return m_factory->connected(); }
    QString lastConnectError() const override { return m_factory->lastConnectError(); }
    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) override
    {
        return m_factory->openId(className, id);
    }
    std::unique_ptr<ServerObject> createObject(const QString &className) override
    {
        return m_factory->createObject(className);
    }
    std::unique_ptr<ResultSet> openClassQuery(const QString &className,
                                              const QString &queryName) override
    {
        return std::make_unique<TextOnlyRows>(m_factory->openClassQuery(className, queryName));
    }

private:
    std::unique_ptr<Factory> m_factory;
};

const QByteArray Supplier100 = "Regal 7, S\xFC"
                               "d,4006381333931,12\r\n"
                               "Regal 7, S\xFC"
                               "d,4012345678901,5\r\n"
                               "Regal 7, S\xFC"
                               "d,4098765432109,0\r\n";

} // namespace

class TestMainJob : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void supplierLookup();
    void lookupAfterTheIdleDisconnect();
    void noLookupWhenAnotherWindowTakesTheActivation();
    void menusFromTheSupplierField();
    void clickBehindTheLookupsMessage_data();
    void clickBehindTheLookupsMessage();
    void wholeJobByKeyboard();
    void hostileSupplierNumbers_data();
    void hostileSupplierNumbers();
    void unknownStoredSupplierAtStart();
    void storageLocationStoredAndRestored();
    void refresh();
    void serverErrorKeepsTheOldRows();
    void exportFile();
    void exportThatCannotBeWritten();
    void headlessWritesTheSameBytes();
    void rowsGivenAsTextsKeepEveryCharacter();
    void bytesFromTheDatabaseAsTheyAre();

private:
    void start(); // a logged-in main window, shown
    void type(const char *name, const QString &text);
    QString setting(const QString &key) { return GetSetting({"Dravonik", "Export", key}, "(none)"); }
    ReportList *list() { return child<ReportList>(m_window.get(), "liste"); }
    void click(const char *name) { QTest::mouseClick(child(m_window.get(), name), Qt::LeftButton); }

    TestDatabase m_db;
    FakeMessageBoxes m_messages;
    FakeSaveDialog m_save;
    QTemporaryDir m_folder;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainJob::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestMainJob::init()
{
    testing::services->ends.clear();
    testing::services->recordEnds();
    for (const char *application : {"Cache Login", "Dravonik"})
        QSettings(testing::services->settings.fileName(application), QSettings::IniFormat).clear();
    SaveSetting({"Cache Login", "Login", "Name"}, "DEMO");
    SaveSetting({"Cache Login", "Login", "Passwort"}, XorText("demo"));
    session() = Session();
    setProgramCommandLine(QString());
    m_messages.reset();
    m_save = FakeSaveDialog();
}

void TestMainJob::cleanup()
{
    testing::stopModalDrivers();
    QCOMPARE(m_messages.unexpected, 0);
    CloseConnection();
    forms::unloadAll();
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestMainJob::start()
{
    m_window = std::make_unique<MainWindow>();
    m_window->setSaveDialog(&m_save);
    guard::run([this] { m_window->Form_Load(); });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestMainJob::type(const char *name, const QString &text)
{
    auto *field = child<QLineEdit>(m_window.get(), name);
    field->setFocus(Qt::MouseFocusReason);
    field->setText(text);
}

void TestMainJob::supplierLookup()
{
    start();
    auto *number = child<QLineEdit>(m_window.get(), "TxLnr");
    auto *name = child<QLineEdit>(m_window.get(), "TxLname");
    auto *refresh = child<QPushButton>(m_window.get(), "BUAkt");
    QVERIFY(!refresh->isEnabled());

    type("TxLnr", "100");
    QVERIFY(refresh->isEnabled());
    QTest::keyClick(number, Qt::Key_Tab);
    QCOMPARE(name->text(), "Nordwind Spielwaren GmbH");
    QCOMPARE(setting("Liefnr"), "100");
    QVERIFY(m_messages.shown.isEmpty());

    // Unknown: the message once, the old name and number kept, the focus back.
    type("TxLnr", "999");
    m_messages.expect(MessageAnswer::Ok);
    QTest::keyClick(number, Qt::Key_Tab);
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].title, "TOLVAN Dravonik-Export");
    QCOMPARE(m_messages.shown[0].text, "Lieferant nicht gespeichert");
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Information);
    QCOMPARE(name->text(), "Nordwind Spielwaren GmbH");
    QCOMPARE(setting("Liefnr"), "100");
    QVERIFY(refresh->isEnabled());
    QCOMPARE(QApplication::focusWidget(), number);
    // Leaving again asks the server again.
    m_messages.expect(MessageAnswer::Ok);
    QTest::keyClick(number, Qt::Key_Tab);
    QCOMPARE(m_messages.shown.size(), 2);

    // Firm 1's supplier 200, with umlauts; then emptied: no call, the name cleared.
    type("TxLnr", "200");
    QTest::keyClick(number, Qt::Key_Tab);
    QCOMPARE(name->text(), "Müller & Söhne Haushaltswaren KG");
    type("TxLnr", "");
    QVERIFY(!refresh->isEnabled());
    QTest::keyClick(number, Qt::Key_Tab);
    QCOMPARE(name->text(), "");
    QCOMPARE(setting("Liefnr"), "200");
}

void TestMainJob::lookupAfterTheIdleDisconnect()
{
    start();
    CloseConnection(); // what the idle timer does after a minute
    QVERIFY(!session().Factory->connected());
    type("TxLnr", "100");
    QTest::keyClick(child(m_window.get(), "TxLnr"), Qt::Key_Tab);
    QCOMPARE(child<QLineEdit>(m_window.get(), "TxLname")->text(), "Nordwind Spielwaren GmbH");
    QVERIFY(m_messages.shown.isEmpty()); // no "Keine Verbindung"
}

void TestMainJob::noLookupWhenAnotherWindowTakesTheActivation()
{
    // Only leaving the field for another control of the program looks up: a
    // message box or another window taking the activation does not, or a
    // lookup that shows a message would loop.
    start();
    auto *number = child<QLineEdit>(m_window.get(), "TxLnr");
    type("TxLnr", "999");
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(m_messages.shown.isEmpty());
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), number);
    QVERIFY(m_messages.shown.isEmpty());
    m_messages.expect(MessageAnswer::Ok);
    QTest::keyClick(number, Qt::Key_Tab); // now it is left for another control
    QCOMPARE(m_messages.shown.size(), 1);
}

void TestMainJob::menusFromTheSupplierField()
{
    // Opening a menu leaves the focus in the field: Alt, Alt+D and a menu
    // command chosen then run no lookup (no message, no server call), for a
    // number not yet looked up, known or not.
    start();
    auto *number = child<QLineEdit>(m_window.get(), "TxLnr");
    auto *name = child<QLineEdit>(m_window.get(), "TxLname");
    type("TxLnr", "100");
    QTest::keyClick(number, Qt::Key_Tab);
    QCOMPARE(name->text(), "Nordwind Spielwaren GmbH");
    number->setFocus(Qt::TabFocusReason);
    for (const char *typed : {"999", "200"}) {
        number->setText(QString::fromLatin1(typed));
        QTest::keyClick(number, Qt::Key_Alt); // the menu bar takes the keyboard
        QVERIFY(qobject_cast<QMenuBar *>(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), number);
        QTest::keyClick(number, Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_COMPARE(QApplication::focusWidget(), number);
        QVERIFY(m_messages.shown.isEmpty());
        QCOMPARE(name->text(), "Nordwind Spielwaren GmbH");
        QCOMPARE(setting("Liefnr"), "100");
    }
    // From the menu bar straight to the list with the mouse: the field is left.
    QTest::keyClick(number, Qt::Key_Alt);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton);
    QCOMPARE(name->text(), "Müller & Söhne Haushaltswaren KG");
    QCOMPARE(setting("Liefnr"), "200");

    // Datei > Beenden chosen from the field with an unknown number: the
    // program ends without the lookup's message.
    number->setFocus(Qt::TabFocusReason);
    number->setText("999");
    QTest::keyClick(number, Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_B);
    QTRY_COMPARE(testing::services->ends, QList<int>{0});
    QVERIFY(m_messages.shown.isEmpty());
}

void TestMainJob::clickBehindTheLookupsMessage_data()
{
    QTest::addColumn<bool>("released"); // whether the button sees the release
    QTest::newRow("the message's loop takes the release") << false;
    QTest::newRow("the release reaches the button") << true;
}

void TestMainJob::clickBehindTheLookupsMessage()
{
    // A click on "Aktualisieren" that leaves the supplier field runs after
    // the lookup, whatever the lookup showed, exactly once: the list is then
    // the new number's, never the old supplier's behind a new name.
    QFETCH(bool, released);
    start();
    auto *refresh = child<QPushButton>(m_window.get(), "BUAkt");
    auto *number = child<QLineEdit>(m_window.get(), "TxLnr");
    const auto clickRefresh = [&] {
        QTest::mousePress(refresh, Qt::LeftButton);
        if (released)
            QTest::mouseRelease(refresh, Qt::LeftButton);
    };
    type("TxLnr", "100");
    clickRefresh();
    QCOMPARE(list()->rowCount(), 5);

    // The reconnect after the idle disconnect fails three times: the retry
    // scheme's message and the server dialog come, then the connection is made.
    CloseConnection();
    const QString reachable = session().ConnectString;
    session().ConnectString = "cn_iptcp:127.0.0.1[1]:TOLVAN"; // nobody listens on port 1
    type("TxLnr", "200");
    m_messages.expect(MessageAnswer::Ok);
    testing::whenModal([&](QWidget *dialog) {
        if (dialog != static_cast<QWidget *>(&forms::server()))
            return false;
        session().ConnectString = reachable; // the data corrected there
        dialog->hide();
        return true;
    });
    int refreshes = 0;
    connect(refresh, &QPushButton::clicked, this, [&] { ++refreshes; });
    clickRefresh();
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY(m_messages.shown[0].text.startsWith("Server nach 3 Versuchen nicht erreichbar!"));
    QCOMPARE(refreshes, 1);
    QCOMPARE(child<QLineEdit>(m_window.get(), "TxLname")->text(), "Müller & Söhne Haushaltswaren KG");
    QCOMPARE(list()->rowCount(), 4);
    QVERIFY(list()->rowText(0).startsWith("200-0001\n"));
    m_window->activateWindow(); // as the desktop does once the dialog is gone
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    // An unknown number: the message, the focus back in the field, then the
    // refresh of that number (no rows).
    type("TxLnr", "999");
    m_messages.expect(MessageAnswer::Ok);
    clickRefresh();
    QCOMPARE(m_messages.shown.last().text, "Lieferant nicht gespeichert");
    QCOMPARE(list()->rowCount(), 0);
    QCOMPARE(QApplication::focusWidget(), number);
    QCOMPARE(refreshes, 2);

    // Another mouse button gives the button the focus but clicks nothing.
    type("TxLnr", "100");
    QTest::mouseClick(refresh, Qt::RightButton);
    QCOMPARE(refreshes, 2);
    QCOMPARE(list()->rowCount(), 0);
}

void TestMainJob::wholeJobByKeyboard()
{
    // Login, supplier, storage location, refresh, export through the Save
    // dialog's answer and quitting, with key events only, each to the
    // widget that has the focus.
    QSettings(testing::services->settings.fileName("Cache Login"), QSettings::IniFormat).clear();
    const auto keys = [](const QString &typed) { // also letters that have no key of their own here
        for (const QChar letter : typed)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                                QString(letter), Qt::NoModifier);
    };
    const auto key = [](Qt::Key pressed, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget *focus = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                            : QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, pressed, modifiers);
    };
    const auto focusedOn = [](const char *name) {
        return QTest::qWaitFor([name] {
            const QWidget *focus = QApplication::focusWidget();
            return focus && focus->objectName() == QLatin1String(name);
        });
    };
    testing::whenModal([&](QWidget *dialog) {
        if (dialog != static_cast<QWidget *>(&forms::login()) || !focusedOn("BPASSWORT"))
            return false;
        keys("demo");
        key(Qt::Key_Tab);
        if (!focusedOn("BUSER"))
            return false;
        keys("DEMO");
        key(Qt::Key_Return);
        return true;
    });
    start();
    QVERIFY2(m_window->windowTitle().endsWith("Benutzer:  Erika Musterfrau"),
             qPrintable(m_window->windowTitle()));
    QCOMPARE(QApplication::focusWidget()->objectName(), "TxLnr");

    keys("100");
    key(Qt::Key_Tab); // the lookup; the focus on "Aktualisieren"
    QCOMPARE(child<QLineEdit>(m_window.get(), "TxLname")->text(), "Nordwind Spielwaren GmbH");
    QCOMPARE(QApplication::focusWidget()->objectName(), "BUAkt");
    key(Qt::Key_Space);
    QCOMPARE(list()->rowCount(), 5);
    key(Qt::Key_Tab); // "Datei erzeugen" is still disabled: the list
    QCOMPARE(QApplication::focusWidget()->objectName(), "liste");
    key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), "TxLagerort");
    keys("Regal 7, Süd");
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), "BUDatei");
    QTemporaryDir desktop;
    m_save.answer = desktop.filePath("lieferant100.csv");
    key(Qt::Key_Space);
    QCOMPARE(contents(m_save.answer), Supplier100);

    key(Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    key(Qt::Key_B);
    QTRY_COMPARE(testing::services->ends, QList<int>{0});
    QVERIFY(m_messages.shown.isEmpty());
}

void TestMainJob::hostileSupplierNumbers_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("SQL") << "100' OR '1'='1";
    QTest::newRow("quote") << "100\"";
    QTest::newRow("wildcard") << "%";
    QTest::newRow("very long") << QString(100000, u'9');
    QTest::newRow("emoji") << "1😀0";
    QTest::newRow("padded") << " 100";
}

void TestMainJob::hostileSupplierNumbers()
{
    QFETCH(QString, number);
    start();
    type("TxLnr", number);
    m_messages.expect(MessageAnswer::Ok);
    QTest::keyClick(child(m_window.get(), "TxLnr"), Qt::Key_Tab);
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].text, "Lieferant nicht gespeichert");
    QCOMPARE(setting("Liefnr"), "(none)");
    m_messages.expect(MessageAnswer::Ok); // the click leaves the field: asked again
    click("BUAkt");
    QCOMPARE(m_messages.shown.size(), 2);
    QCOMPARE(list()->rowCount(), 0);
    QVERIFY(testing::services->ends.isEmpty());
}

void TestMainJob::unknownStoredSupplierAtStart()
{
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "777");
    m_messages.expect(MessageAnswer::Ok);
    start();
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].text, "Lieferant nicht gespeichert");
    QCOMPARE(QApplication::focusWidget(), child(m_window.get(), "TxLnr"));
    QVERIFY(child(m_window.get(), "BUAkt")->isEnabled());
}

void TestMainJob::storageLocationStoredAndRestored()
{
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "300");
    SaveSetting({"Dravonik", "Export", "Lagerort"}, "Halle 2");
    start();
    QCOMPARE(child<QLineEdit>(m_window.get(), "TxLagerort")->text(), "Halle 2");
    QCOMPARE(child<QLineEdit>(m_window.get(), "TxLname")->text(),
             "Große Freiheit Papier- und Schreibwaren e.K.");
    QVERIFY(child(m_window.get(), "BUDatei")->isEnabled());

    type("TxLagerort", "");
    QTest::keyClick(child(m_window.get(), "TxLagerort"), Qt::Key_Tab);
    QCOMPARE(setting("Lagerort"), "");
    CloseConnection();
    forms::unloadAll();
    m_window.reset();
    testing::services->recordEnds();
    start();
    QCOMPARE(child<QLineEdit>(m_window.get(), "TxLagerort")->text(), "");
    QVERIFY(!child(m_window.get(), "BUDatei")->isEnabled());
}

void TestMainJob::refresh()
{
    start();
    type("TxLnr", "100");
    click("BUAkt");
    QCOMPARE(list()->rowCount(), 5);
    QCOMPARE(list()->rowText(0), "100-0001\nHolzeisenbahn, 24-teilig\n4006381333931\n12");
    QCOMPARE(list()->rowText(1), "100-0002\nPlüschbär \"Bruno\" 30 cm\n4012345678901\n5");
    click("BUAkt"); // the same list, not a doubled one
    QCOMPARE(list()->rowCount(), 5);
    QVERIFY(forms::server().lockTimer().isActive()); // idle again afterwards

    type("TxLnr", "400"); // a supplier without articles
    click("BUAkt");
    QCOMPARE(list()->rowCount(), 0);
    type("TxLnr", "999"); // unknown: leaving the field says so; the refresh gives no rows
    m_messages.expect(MessageAnswer::Ok);
    click("BUAkt");
    QCOMPARE(list()->rowCount(), 0);
    QCOMPARE(m_messages.shown.size(), 1);
}

void TestMainJob::serverErrorKeepsTheOldRows()
{
    start();
    type("TxLnr", "100");
    click("BUAkt");
    QCOMPARE(list()->rowCount(), 5);
    m_db.engine().exec("ALTER TABLE article RENAME TO article_away");
    m_messages.expect(MessageAnswer::Ok);
    click("BUAkt");
    m_db.engine().exec("ALTER TABLE article_away RENAME TO article");
    QCOMPARE(list()->rowCount(), 5);
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY2(m_messages.shown[0].text.startsWith("Laufzeitfehler '1009'"),
             qPrintable(m_messages.shown[0].text));
    QCOMPARE(testing::services->ends, QList<int>{1}); // what no handler catches ends the program
}

void TestMainJob::exportFile()
{
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "100");
    start();
    click("BUAkt");
    type("TxLagerort", "Regal 7, Süd");

    // Cancel writes nothing and says nothing.
    click("BUDatei");
    QCOMPARE(m_save.requests.size(), 1);
    QCOMPARE(m_save.requests[0].initialFolder, desktopFolder());
    QCOMPARE(m_save.requests[0].fileName, ".csv");
    QCOMPARE(m_save.requests[0].filter, "*.csv");
    QVERIFY(m_save.requests[0].cancelIsError);
    QVERIFY(QDir(m_folder.path()).isEmpty());

    // The proposed name as it is, and a name without extension as typed.
    for (const char *name : {".csv", "lieferant100"}) {
        m_save.answer = m_folder.filePath(name);
        click("BUDatei");
        QCOMPARE(contents(m_save.answer), Supplier100);
    }
    QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({".csv", "lieferant100"}));
    QCOMPARE(list()->rowCount(), 5); // the list stays
    QVERIFY(m_messages.shown.isEmpty());
}

void TestMainJob::exportThatCannotBeWritten()
{
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "100");
    SaveSetting({"Dravonik", "Export", "Lagerort"}, "L");
    start();
    click("BUAkt");
    const QString old = m_folder.filePath("alt.csv");
    QFile file(old);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("alt\r\n");
    file.close();
    for (const QString &path : {m_folder.filePath("fehlt/alt.csv"), m_folder.path(),
                                m_folder.filePath("alt.csv/x.csv")}) {
        m_save.answer = path;
        m_messages.expect(MessageAnswer::Ok);
        click("BUDatei");
        QCOMPARE(m_messages.shown.size(), 1);
        QCOMPARE(m_messages.shown[0].title, "TOLVAN Dravonik-Export");
        QCOMPARE(m_messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY2(m_messages.shown[0].text.startsWith(
                     QStringLiteral("Die Datei „%1“ konnte nicht geschrieben werden.")
                         .arg(QDir::toNativeSeparators(path))),
                 qPrintable(m_messages.shown[0].text));
        m_messages.reset();
    }
    QCOMPARE(contents(old), QByteArray("alt\r\n"));
    QCOMPARE(list()->rowCount(), 5);
    QVERIFY(testing::services->ends.isEmpty()); // the program goes on
}

void TestMainJob::headlessWritesTheSameBytes()
{
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "100");
    SaveSetting({"Dravonik", "Export", "Lagerort"}, "Regal 7, Süd");
    start();
    click("BUAkt");
    m_save.answer = m_folder.filePath("fenster.csv");
    click("BUDatei");

    // Without a window and without a display, with the password from the environment.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    environment.insert("TOLVAN_PASSWORD", "demo");
    program.setProcessEnvironment(environment);
    const QString file = m_folder.filePath("nacht.csv");
    program.start(TOLVAN_PROGRAM, {"--export", file, "--supplier", "100", "--location",
                                   "Regal 7, Süd", "1", "0", "DEMO"});
    QVERIFY(program.waitForFinished(60000));
    const QString messages = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(messages.contains("5 Artikel gelistet, 3 Zeilen geschrieben: " +
                               QDir::toNativeSeparators(file)),
             qPrintable(messages));
    QCOMPARE(contents(file), contents(m_save.answer));
    QCOMPARE(contents(file), Supplier100);
}

void TestMainJob::rowsGivenAsTextsKeepEveryCharacter()
{
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "100");
    SaveSetting({"Dravonik", "Export", "Lagerort"}, "L");
    start();
    session().Factory =
        std::make_unique<Factory>(std::make_unique<TextOnlyServer>(std::move(session().Factory)));
    click("BUAkt");
    QCOMPARE(list()->rowCount(), 5);
    QCOMPARE(list()->rowText(0),
             QChar(0xFEFF) + QString::fromUtf16(
                                 u"100-0001\nHolzeisenbahn, 24-teilig\n4006381333931\n12\xD800"));
    m_save.answer = m_folder.filePath("text.csv");
    click("BUDatei");
    QCOMPARE(contents(m_save.answer),
             "L,4006381333931,12?\r\nL,4012345678901,5?\r\nL,4098765432109,0?\r\n");
}

void TestMainJob::bytesFromTheDatabaseAsTheyAre()
{
    if (m_db.isPostgres())
        QSKIP("PostgreSQL keeps no broken UTF-8");
    // Written by a foreign tool: broken UTF-8, a NUL and bytes outside the code
    // page in the texts the list shows and the export writes.
    m_db.engine().execScript(
        "INSERT INTO supplier (firm, supplier_no, name) VALUES ('1', '700', 'Fremd');"
        "INSERT INTO article (firm, article_no, supplier_no, description, ean) VALUES "
        "('1', '700-1', '700', CAST(X'41C30A42E282' AS TEXT), CAST(X'3430C3A4' AS TEXT)),"
        "('1', '700-2', '700', CAST(X'C3A4C3' AS TEXT), CAST(X'343100E282AC' AS TEXT)),"
        "('1', '700-3', '700', 'ohne', CAST(X'FF34' AS TEXT));"
        "INSERT INTO stock (firm, branch, article_no, quantity) VALUES ('1', '0', '700-1', 3)");
    SaveSetting({"Dravonik", "Export", "Liefnr"}, "700");
    SaveSetting({"Dravonik", "Export", "Lagerort"}, "L");
    start();
    click("BUAkt");
    QCOMPARE(list()->rowCount(), 3);
    QCOMPARE(list()->rowText(0), QString::fromUtf8("700-1\nA\xC3 B\xE2\x82\n40\xC3\xA4\n3"));
    QCOMPARE(list()->rowText(1),
             QString::fromUtf8(bytesOf("700-2\n\xC3\xA4\xC3\n41\0\xE2\x82\xAC\n0")));
    QCOMPARE(list()->rowText(2), QString::fromUtf8("700-3\nohne\n\xFF"
                                                   "4\n0"));
    m_save.answer = m_folder.filePath("fenster.csv");
    click("BUDatei");
    const QByteArray bytes = bytesOf("L,40\xE4,3\r\nL,41\0\x80,0\r\nL,?4,0\r\n");
    QCOMPARE(contents(m_save.answer), bytes);

    QProcess program;
    program.start(TOLVAN_PROGRAM, {"--export", m_folder.filePath("nacht.csv"), "--supplier", "700",
                                   "--location", "L", "1", "0", "DEMO", "demo"});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(contents(m_folder.filePath("nacht.csv")), bytes);
}

TOLVAN_PROGRAM_TEST_MAIN(TestMainJob)
#include "tst_mainjob.moc"
