// The main window's behaviour: Enter and the default button, the resize rule,
// the menu commands, closing, and the guard for errors no handler catches.

#include "AboutBox.h"
#include "FakeMessageBoxes.h"
#include "Forms.h"
#include "Guard.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "ProgramTest.h"
#include "ReportList.h"
#include "RuntimeError.h"
#include "SaveDialog.h"
#include "Session.h"
#include "TestDatabase.h"
#include "Twips.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace tolvan;
using testing::child;

namespace {
// The user cancels every Save dialog.
class CancelSave : public SaveDialog {
public:
    QString showSave(const SaveRequest &) override { throw SaveCancelled(); }
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void enterPressesTheDefaultButtonOnlyWhileEnabled();
    void listHeightRule_data();
    void listHeightRule();
    void resizingMovesOnlyTheListsBottom();
    void aboutBoxFromMenuAndF1();
    void loginDialogFromMenu();
    void closingUnloadsEveryWindow();
    void uncaughtErrorEndsTheProgram();

private:
    TestDatabase m_db; // the buttons' handlers reach the demo database
    CancelSave m_save;
    std::unique_ptr<MainWindow> m_window;
    FakeMessageBoxes m_messages;
};

void TestMainWindow::initTestCase()
{
    TOLVAN_REQUIRE_DATABASE(m_db);
}

void TestMainWindow::init()
{
    m_messages.reset();
    testing::services->ends.clear();
    testing::services->recordEnds();
    session() = Session();
    session().ConnectString = m_db.connectString();
    m_window = std::make_unique<MainWindow>();
    m_window->setSaveDialog(&m_save);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestMainWindow::cleanup()
{
    QCOMPARE(m_messages.unexpected, 0);
    forms::unloadAll();
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestMainWindow::enterPressesTheDefaultButtonOnlyWhileEnabled()
{
    auto *refresh = child<QPushButton>(m_window.get(), "BUAkt");
    auto *file = child<QPushButton>(m_window.get(), "BUDatei");
    auto *supplier = child<QLineEdit>(m_window.get(), "TxLnr");
    QSignalSpy refreshed(refresh, &QPushButton::clicked);
    QSignalSpy filed(file, &QPushButton::clicked);
    QTest::keyClick(supplier, Qt::Key_Return);
    QCOMPARE(refreshed.count(), 0);

    refresh->setEnabled(true);
    file->setEnabled(true);
    QTest::keyClick(supplier, Qt::Key_Return);
    QTest::keyClick(child(m_window.get(), "TxLagerort"), Qt::Key_Enter);
    QTest::keyClick(child(m_window.get(), "liste"), Qt::Key_Return);
    QCOMPARE(refreshed.count(), 3);
    file->setFocus();
    QTest::keyClick(file, Qt::Key_Return); // a focused button takes Enter itself
    QCOMPARE(filed.count(), 1);
    QCOMPARE(refreshed.count(), 3);
}

void TestMainWindow::listHeightRule_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("list");
    QTest::newRow("6000") << 6000 << 3700;
    QTest::newRow("2300") << 2300 << 0;
    QTest::newRow("2299: no negative height") << 2299 << 0;
    QTest::newRow("2000") << 2000 << 0;
    QTest::newRow("1999: unchanged") << 1999 << 4965;
    QTest::newRow("0: unchanged") << 0 << 4965;
}

void TestMainWindow::listHeightRule()
{
    QFETCH(int, window);
    QFETCH(int, list);
    QCOMPARE(MainWindow::listHeightForWindow(window, 4965), list);
}

void TestMainWindow::resizingMovesOnlyTheListsBottom()
{
    QList<QWidget *> others;
    QList<QRect> before;
    for (QWidget *control : m_window->centralWidget()->findChildren<QWidget *>(
             QString(), Qt::FindDirectChildrenOnly)) {
        if (control->objectName() != u"liste") {
            others << control;
            before << control->geometry();
        }
    }
    auto *list = child(m_window.get(), "liste");
    const QRect listBefore = list->geometry();

    // The rule reads the outer height, frame included.
    const int frame = m_window->frameGeometry().height() - m_window->height();
    m_window->resize(m_window->width(), 400 - frame); // 6000 twips
    QTRY_COMPARE(m_window->frameGeometry().height(), 400);
    QCOMPARE(list->height(), twipsToPixels(3700));
    m_window->resize(300, 133 - frame); // 1995 twips: the list keeps its height
    QTRY_COMPARE(m_window->frameGeometry().height(), 133);
    QCOMPARE(list->height(), twipsToPixels(3700));
    m_window->resize(800, 700 - frame);
    QTRY_COMPARE(m_window->frameGeometry().height(), 700);
    QCOMPARE(list->height(), twipsToPixels(700 * 15 - 2300));
    QCOMPARE(list->pos(), listBefore.topLeft());
    QCOMPARE(list->width(), listBefore.width());
    for (int i = 0; i < others.size(); ++i)
        QCOMPARE(others[i]->geometry(), before[i]);
}

void TestMainWindow::aboutBoxFromMenuAndF1()
{
    QVERIFY(!forms::about());
    QTest::keyClick(m_window.get(), Qt::Key_F1); // with the menu closed
    QPointer<AboutBox> first = forms::about();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(!first->parentWidget());
    QVERIFY(!first->isModal());
    QVERIFY(m_window->isEnabled());

    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_F1);
    QCOMPARE(forms::about(), first.data()); // brought to the front, not loaded again
    const auto boxes = [] {
        int count = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            count += qobject_cast<AboutBox *>(window) ? 1 : 0;
        return count;
    };
    QCOMPARE(boxes(), 1);

    QTest::mouseClick(child<QPushButton>(first, "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(!first);
    QVERIFY(!forms::about());

    child<QAction>(m_window.get(), "HilfeUeber")->trigger();
    QPointer<AboutBox> second = forms::about();
    QVERIFY(second);
    second->close(); // the close box unloads it like "OK"
    QTRY_VERIFY(!second);
}

void TestMainWindow::loginDialogFromMenu()
{
    child<QAction>(m_window.get(), "mLogin")->trigger();
    LoginDialog &dialog = forms::login();
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.isModal());
    QCOMPARE(dialog.parentWidget(), m_window.get());
    QVERIFY(m_window->isEnabled());
    child<QAction>(m_window.get(), "mLogin")->trigger();
    QCOMPARE(&forms::login(), &dialog);
}

void TestMainWindow::closingUnloadsEveryWindow()
{
    forms::showAbout();
    QPointer<AboutBox> about = forms::about();
    QPointer<LoginDialog> login = &forms::login();
    child<QAction>(m_window.get(), "Beenden")->trigger();
    QVERIFY(!m_window->isVisible());
    QTRY_VERIFY(!about);
    QTRY_VERIFY(!login);
    QCOMPARE(testing::services->ends, QList<int>{0});
}

void TestMainWindow::uncaughtErrorEndsTheProgram()
{
    guard::setEnder([](int status) { QCoreApplication::exit(status); });
    QPushButton button;
    int runs = 0;
    QObject::connect(&button, &QPushButton::clicked, guard::wrap([&runs] {
        ++runs;
        throw RuntimeError(-2147, QStringLiteral("Der Server antwortet nicht"));
    }));
    button.show();
    m_messages.expect(MessageAnswer::Ok);
    QTimer::singleShot(0, &button, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
    QCOMPARE(QApplication::exec(), 1); // the real way out: the event loop ends with status 1
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].title, "TOLVAN Dravonik-Export");
    QCOMPARE(m_messages.shown[0].text, "Laufzeitfehler '-2147':\n\nDer Server antwortet nicht");
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Critical);
    QVERIFY(guard::hasEnded());

    QTest::mouseClick(&button, Qt::LeftButton); // nothing runs once the program is ending
    QCOMPARE(runs, 1);

    QList<int> statuses;
    guard::setEnder([&](int status) { statuses << status; });
    m_messages.expect(MessageAnswer::Ok);
    guard::run([] { throw std::bad_alloc(); });
    QCOMPARE(m_messages.shown.last().text, "Laufzeitfehler '7':\n\nNicht genügend Speicher");
    QCOMPARE(statuses, QList<int>{1});

    // Whatever is thrown, nothing crosses the event loop.
    guard::setEnder([&](int status) { statuses << status; });
    m_messages.expect(MessageAnswer::Ok);
    guard::run([] { throw 42; });
    QCOMPARE(m_messages.shown.last().text, "Laufzeitfehler '51':\n\nInterner Fehler");
    QCOMPARE(statuses, QList<int>({1, 1}));
    testing::services->recordEnds();
}

TOLVAN_PROGRAM_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
