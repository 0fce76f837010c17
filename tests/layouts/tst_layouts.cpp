// Each window against its layout: names, kinds, captions, geometry (in twips),
// initial states, fonts, colours, tab order, default and cancel keys.

#include "AboutBox.h"
#include "FakeMessageBoxes.h"
#include "FakePrograms.h"
#include "Forms.h"
#include "HyperlinkLabel.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "PicturePushButton.h"
#include "ProgramTest.h"
#include "ReportList.h"
#include "ServerDialog.h"
#include "Twips.h"

#include <QAccessible>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace tolvan;
using testing::child;
using testing::tabChain;

namespace {

QRect twips(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

// The table columns of every layout test: name, kind, text, geometry, enabled.
void controlColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("enabled");
}

void row(const char *name, const char *kind, const QString &text, QRect geometry,
         bool enabled = true)
{
    QTest::newRow(name) << QString::fromUtf8(name) << QString::fromLatin1(kind) << text << geometry
                        << enabled;
}

QString textOf(QWidget *widget)
{
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    return {};
}

// Compares one control of `window` with the current data row. Labels sized to
// their text are compared by position only (an empty size in the table).
void checkControl(QWidget *window)
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(bool, enabled);
    QWidget *control = child(window, name);
    QVERIFY(control);
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    QCOMPARE(textOf(control), text);
    if (geometry.size().isEmpty())
        QCOMPARE(control->pos(), geometry.topLeft());
    else
        QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->isEnabled(), enabled);
}

QFont fontOf(QWidget *widget)
{
    widget->ensurePolished();
    return widget->font();
}

void checkFont(QWidget *widget, const char *family, qreal points, bool bold, bool italic)
{
    QVERIFY(widget);
    const QFont font = fontOf(widget);
    QCOMPARE(font.family(), QString::fromLatin1(family));
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.bold(), bold);
    QCOMPARE(font.italic(), italic);
    if (font.family() == u"Arial")
        QCOMPARE(font.stretch(), int(QFont::Unstretched));
}

QColor textColour(QWidget *widget)
{
    widget->ensurePolished();
    return widget->palette().color(QPalette::WindowText);
}

bool hasFlag(QWidget *window, Qt::WindowType flag)
{
    return window->windowFlags().testFlag(flag);
}

} // namespace

class TestLayouts : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mainWindowControls_data();
    void mainWindowControls();
    void mainWindowFrameMenuAndList();
    void mainWindowFontsAndTabOrder();
    void loginDialogControls_data();
    void loginDialogControls();
    void loginDialogKeysAndFields();
    void serverDialogControls_data();
    void serverDialogControls();
    void serverDialogKeysAndTabOrder();
    void aboutBoxControls_data();
    void aboutBoxControls();
    void aboutBoxLook();
    void aboutBoxKeys();
    void accessibleNamesAndRoles_data();
    void accessibleNamesAndRoles();
    void fixedDialogsStayOnScreen();

private:
    QWidget *window(const QString &name);
    std::unique_ptr<MainWindow> m_main;
};

void TestLayouts::init()
{
    testing::services->ends.clear();
    testing::services->recordEnds();
    m_main = std::make_unique<MainWindow>();
}

void TestLayouts::cleanup()
{
    forms::unloadAll();
    m_main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestLayouts::mainWindowControls_data()
{
    controlColumns();
    row("Label4", "QLabel", "IT", twips(7710, 180, 780, 795));
    row("TxLnr", "QLineEdit", "", twips(840, 1065, 855, 300));
    row("TxLname", "QLineEdit", "", twips(1830, 1065, 3495, 300), false);
    row("BUAkt", "QPushButton", "Aktualisieren", twips(5550, 1065, 1215, 375), false);
    row("BUDatei", "QPushButton", "Datei erzeugen", twips(6990, 1065, 1455, 375), false);
    row("liste", "tolvan::ReportList", "", twips(870, 1545, 7185, 4965));
    row("Label3", "QLabel", "UARMEL", twips(6000, 345, 1800, 405));
    row("Label2", "QLabel", "Q", twips(5505, 0, 1335, 810));
    row("Label1", "QLabel", "Lief-.Nr.:", twips(150, 1065, 735, 255));
    row("Label5", "QLabel", "Lagerort:", twips(165, 585, 735, 255));
    row("TxLagerort", "QLineEdit", "", twips(840, 600, 855, 300));
}

void TestLayouts::mainWindowControls()
{
    checkControl(m_main->centralWidget());
}

void TestLayouts::mainWindowFrameMenuAndList()
{
    QCOMPARE(m_main->windowTitle(), "TOLVAN");
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QCOMPARE(m_main->centralWidget()->size(), QSize(569, 439));
    QVERIFY(hasFlag(m_main.get(), Qt::WindowMinMaxButtonsHint));
    QVERIFY(!m_main->windowIcon().isNull());
    QVERIFY(m_main->windowIcon().availableSizes().contains(QSize(16, 16)));

    const QList<QAction *> menus = m_main->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), "&Datei");
    QCOMPARE(menus[1]->text(), "&Hilfe");
    const QList<QAction *> datei = menus[0]->menu()->actions();
    QCOMPARE(datei.size(), 3);
    QCOMPARE(datei[0]->objectName(), "mLogin");
    QCOMPARE(datei[0]->text(), "&Login");
    QVERIFY(datei[1]->isSeparator());
    QCOMPARE(datei[2]->objectName(), "Beenden");
    QCOMPARE(datei[2]->text(), "&Beenden");
    const QList<QAction *> hilfe = menus[1]->menu()->actions();
    QCOMPARE(hilfe.size(), 1);
    QCOMPARE(hilfe[0]->objectName(), "HilfeUeber");
    QCOMPARE(hilfe[0]->text(), "Hilfe &über ...");
    QCOMPARE(hilfe[0]->shortcut(), QKeySequence(Qt::Key_F1));
    for (QAction *action : datei + hilfe)
        QVERIFY(action->isEnabled() && !action->isChecked());

    auto *list = child<ReportList>(m_main.get(), "liste");
    QVERIFY(list);
    QCOMPARE(list->rowCount(), 0);
    const QStringList headers{"Art.-Nr", "Bezeichnung", "EAN", "Lagerstand"};
    const int widths[] = {75, 200, 120, 60};
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), headers[column]);
        QCOMPARE(list->header()->sectionSize(column), widths[column]);
    }
    QCOMPARE(list->palette().color(QPalette::Base), QColor(Qt::white));

    auto *name = child<QLineEdit>(m_main.get(), "TxLname");
    QCOMPARE(name->focusPolicy(), Qt::NoFocus);
    QVERIFY(name->isReadOnly());
}

void TestLayouts::mainWindowFontsAndTabOrder()
{
    checkFont(child(m_main.get(), "TxLnr"), "MS Sans Serif", 8.25, false, false);
    checkFont(child(m_main.get(), "Label2"), "Arial", 36, true, true);
    checkFont(child(m_main.get(), "Label3"), "Arial", 18, true, false);
    checkFont(child(m_main.get(), "Label4"), "Arial", 27.75, true, true);
    QCOMPARE(textColour(child(m_main.get(), "Label2")), QColor(0, 128, 0));
    QCOMPARE(textColour(child(m_main.get(), "Label4")), QColor(0, 128, 0));
    for (const char *label : {"Label2", "Label3", "Label4"})
        QVERIFY(!child(m_main.get(), label)->autoFillBackground()); // transparent

    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QCOMPARE(QApplication::focusWidget()->objectName(), "TxLnr");
    QWidget *supplier = child(m_main.get(), "TxLnr");
    QCOMPARE(tabChain(supplier, 3), QStringList({"liste", "TxLagerort", "TxLnr"}));
    child(m_main.get(), "BUAkt")->setEnabled(true);
    child(m_main.get(), "BUDatei")->setEnabled(true);
    QCOMPARE(tabChain(supplier, 5),
             QStringList({"BUAkt", "BUDatei", "liste", "TxLagerort", "TxLnr"}));
}

void TestLayouts::loginDialogControls_data()
{
    controlColumns();
    row("BPASSWORT", "QLineEdit", "", twips(2280, 525, 1455, 285));
    row("BUSER", "QLineEdit", "", twips(2280, 120, 1455, 285));
    row("BUSpeich", "tolvan::PicturePushButton", "Anmelden", twips(120, 960, 1695, 375));
    row("BUAusst", "tolvan::PicturePushButton", "Abbruch", twips(2160, 960, 1695, 375));
    row("BUServer", "tolvan::PicturePushButton", "Server", twips(120, 480, 1095, 375));
    row("Label3", "QLabel", "Passwort:", twips(1320, 540, 0, 0));
    row("Label5", "QLabel", "User(DAV Personalcode):", twips(120, 165, 0, 0));
}

void TestLayouts::loginDialogControls()
{
    checkControl(&forms::login());
}

void TestLayouts::loginDialogKeysAndFields()
{
    LoginDialog &dialog = forms::login();
    QCOMPARE(dialog.windowTitle(), "TOLVAN Benutzeranmeldung");
    QCOMPARE(dialog.size(), QSize(265, 94));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!hasFlag(&dialog, Qt::WindowMinimizeButtonHint));
    QVERIFY(!hasFlag(&dialog, Qt::WindowMaximizeButtonHint));
    for (const char *name : {"BUSpeich", "BUAusst", "BUServer"}) {
        auto *button = child<PicturePushButton>(&dialog, name);
        QCOMPARE(button->iconSize(), QSize(16, 16));
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->isTwoState());
    }
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget()->objectName(), "BPASSWORT");
    QCOMPARE(tabChain(child(&dialog, "BPASSWORT"), 5),
             QStringList({"BUSER", "BUSpeich", "BUAusst", "BUServer", "BPASSWORT"}));

    // Both boxes cut every text to 20 characters: typed, pasted or set.
    auto *password = child<QLineEdit>(&dialog, "BPASSWORT");
    auto *user = child<QLineEdit>(&dialog, "BUSER");
    user->setText(QString(25, u'u'));
    QCOMPARE(user->text().size(), 20);
    password->clear();
    QTest::keyClicks(password, "geheim-geheim-geheim-geheim");
    QCOMPARE(password->text(), "geheim-geheim-geheim");
    QCOMPARE(password->displayText(), QString(20, u'*'));
    user->clear();
    QApplication::clipboard()->setText(QString(30, u'x'));
    user->paste();
    QCOMPARE(user->text(), QString(20, u'x'));

    QSignalSpy login(child<QPushButton>(&dialog, "BUSpeich"), &QPushButton::clicked);
    QSignalSpy cancel(child<QPushButton>(&dialog, "BUAusst"), &QPushButton::clicked);
    QTest::keyClick(user, Qt::Key_Return);
    QVERIFY(dialog.isHidden()); // "Anmelden" stores and hides
    dialog.show();
    QTest::keyClick(password, Qt::Key_Enter);
    QCOMPARE(login.count(), 2);

    dialog.show();
    dialog.close(); // the close box only hides the dialog
    QVERIFY(dialog.isHidden());
    QCOMPARE(&forms::login(), &dialog);

    dialog.show();
    QTest::keyClick(password, Qt::Key_Escape); // "Abbruch" ends the program
    QCOMPARE(cancel.count(), 1);
    QCOMPARE(login.count(), 2);
    QCOMPARE(testing::services->ends, QList<int>{0});
}

void TestLayouts::serverDialogControls_data()
{
    controlColumns();
    row("BUEdit", "tolvan::PicturePushButton", "Ändern", twips(120, 1320, 1695, 375));
    row("BSERVERIP", "QLineEdit", "127.0.0.1", twips(1080, 120, 1455, 285), false);
    row("BPORT", "QLineEdit", "1973", twips(3120, 120, 495, 285), false);
    row("BFIRMA", "QLineEdit", "1", twips(1080, 480, 375, 285), false);
    row("BFIL", "QLineEdit", "0", twips(2160, 480, 375, 285), false);
    row("BNAMESPACE", "QLineEdit", "TOLVAN", twips(1080, 840, 1455, 285), false);
    row("BUZurück", "tolvan::PicturePushButton", "Zurück", twips(1920, 1320, 1695, 375));
    row("Label6", "QLabel", "Port:", twips(2640, 165, 615, 255));
    row("Label4", "QLabel", "ServerIP:", twips(360, 165, 615, 255));
    row("Label2", "QLabel", "Filiale:", twips(1680, 525, 495, 255));
    row("Label1", "QLabel", "Firma:", twips(600, 525, 495, 255));
    row("Label3", "QLabel", "Namespace:", twips(120, 885, 0, 0));
    row("BWJ", "QLineEdit", "0", twips(3120, 480, 495, 285), false);
    row("Label5", "QLabel", "WJ:", twips(2640, 525, 495, 255));
}

void TestLayouts::serverDialogControls()
{
    checkControl(&forms::server());
}

void TestLayouts::serverDialogKeysAndTabOrder()
{
    ServerDialog &dialog = forms::server();
    QCOMPARE(dialog.windowTitle(), "TOLVAN Server");
    QCOMPARE(dialog.size(), QSize(248, 121));
    QVERIFY(hasFlag(&dialog, Qt::WindowMinMaxButtonsHint));
    auto *edit = child<PicturePushButton>(&dialog, "BUEdit");
    QVERIFY(edit->isTwoState());
    QVERIFY(!edit->value());
    auto *back = child<QPushButton>(&dialog, "BUZurück");
    QVERIFY(back->isDefault());
    auto *lock = child<QTimer>(&dialog, "Lock");
    QVERIFY(lock);
    QCOMPARE(lock->interval(), 60000);
    QVERIFY(!lock->isActive());
    QCOMPARE(&dialog.lockTimer(), lock);
    auto *address = child<QLineEdit>(&dialog, "BSERVERIP");
    QCOMPARE(address->palette().color(QPalette::Disabled, QPalette::Base),
             address->palette().color(QPalette::Button));

    QWidget owner;
    owner.setGeometry(0, 0, 100, 100);
    dialog.setParent(&owner, dialog.windowFlags());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.frameGeometry().center(), dialog.screen()->availableGeometry().center());
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(tabChain(edit, 2), QStringList({"BUZurück", "BUEdit"}));
    const QStringList fields{"BPORT", "BSERVERIP", "BFIRMA", "BFIL", "BNAMESPACE"};
    for (const QString &field : fields)
        child(&dialog, field)->setEnabled(true);
    QCOMPARE(tabChain(edit, 7), QStringList({"BSERVERIP", "BPORT", "BFIRMA", "BFIL", "BNAMESPACE",
                                             "BUZurück", "BUEdit"}));

    QSignalSpy pressed(back, &QPushButton::clicked);
    address->setFocus();
    QTest::keyClick(address, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(address, Qt::Key_Return);
    QCOMPARE(pressed.count(), 1);

    const QRect before = address->geometry();
    dialog.resize(600, 400);
    QCOMPARE(address->geometry(), before);
    dialog.resize(100, 50);
    QCOMPARE(address->geometry(), before);
    QCOMPARE(back->geometry(), twips(1920, 1320, 1695, 375));
    dialog.setParent(nullptr, dialog.windowFlags());
}

void TestLayouts::aboutBoxControls_data()
{
    controlColumns();
    row("cmdOK", "QPushButton", "OK", twips(225, 3945, 1260, 345));
    row("cmdSysInfo", "QPushButton", "&Systeminfo...", twips(1665, 3945, 1245, 345));
    row("Copyright", "QLabel", "Copyright", twips(240, 600, 975, 255));
    row("lblTitle", "QLabel", "Dravonik Datenexport", twips(240, 120, 5295, 375));
    row("ctHyperLink1", "tolvan::HyperlinkLabel", "Quarmel IT GmbH, Frau Beispiel",
        twips(1320, 600, 3135, 255));
    row("ctHyperLink2", "tolvan::HyperlinkLabel", "www.example.com", twips(1065, 3345, 3255, 255));
    row("Label1", "QLabel", "Erstellt für", twips(225, 2625, 975, 375));
    row("Label2", "QLabel", "Q", twips(195, 675, 1500, 1890));
    row("Label3", "QLabel", "UARMEL", twips(1185, 1320, 3525, 990));
    row("Label4", "QLabel", "IT", twips(4635, 1110, 1185, 1290));
    row("Image1", "QLabel", "", twips(1065, 2505, 3255, 795));
}

void TestLayouts::aboutBoxControls()
{
    forms::showAbout();
    checkControl(forms::about());
}

void TestLayouts::aboutBoxLook()
{
    forms::showAbout();
    AboutBox *box = forms::about();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), "Info zu TOLVAN Rizidadidir Idirida");
    QCOMPARE(box->size(), QSize(383, 313));
    QCOMPARE(box->geometry().topLeft(), QPoint(156, 129)); // the client area's corner
    QCOMPARE(box->minimumSize(), box->maximumSize());
    QVERIFY(!hasFlag(box, Qt::WindowMinimizeButtonHint));
    QVERIFY(!box->parentWidget());

    checkFont(child(box, "lblTitle"), "MS Sans Serif", 12, true, false);
    checkFont(child(box, "Label2"), "Arial", 72, true, true);
    checkFont(child(box, "Label3"), "Arial", 36, true, false);
    checkFont(child(box, "Label4"), "Arial", 48, true, true);
    QCOMPARE(textColour(child(box, "Label2")), QColor(0, 128, 0));
    QCOMPARE(textColour(child(box, "Label4")), QColor(0, 128, 0));
    QCOMPARE(textColour(child(box, "lblTitle")), QColor(0, 0, 0));

    auto *mail = child<HyperlinkLabel>(box, "ctHyperLink1");
    auto *web = child<HyperlinkLabel>(box, "ctHyperLink2");
    QCOMPARE(mail->target(), QUrl("mailto:info@example.com"));
    QCOMPARE(web->target(), QUrl("https://www.example.com"));
    QVERIFY(mail->underline());
    QVERIFY(!web->underline());
    for (HyperlinkLabel *link : {mail, web}) {
        QCOMPARE(textColour(link), QColor(0, 0, 255));
        QCOMPARE(link->visitedColor(), QColor(128, 0, 128));
        QCOMPARE(link->disabledColor(), QColor(128, 128, 128));
        QCOMPARE(link->palette().color(QPalette::Window), link->palette().color(QPalette::Button));
    }
    auto *image = child<QLabel>(box, "Image1");
    QVERIFY(image->hasScaledContents());
    QCOMPARE(image->pixmap().size(), QSize(1089, 317));
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QVERIFY(!child(box, "picIcon")->isVisible());
    QCOMPARE(child<QLabel>(box, "picIcon")->pixmap().size(), QSize(32, 32));
    QCOMPARE(child(box, "Line1_0")->geometry(), QRect(7, 247, 370, 2));
    QCOMPARE(child(box, "Line1_1")->geometry(), QRect(7, 247, 371, 1));
}

void TestLayouts::aboutBoxKeys()
{
    FakePrograms programs; // none there: "Systeminfo..." says so
    FakeMessageBoxes messages;
    messages.expect(MessageAnswer::Ok);
    forms::showAbout();
    QPointer<AboutBox> box = forms::about();
    QVERIFY(QTest::qWaitForWindowActive(box));
    QCOMPARE(QApplication::focusWidget()->objectName(), "cmdOK");
    QSignalSpy sysInfo(child<QPushButton>(box, "cmdSysInfo"), &QPushButton::clicked);
    QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(sysInfo.count(), 1); // a mnemonic clicks with the button's short animation

    // Esc with the focus anywhere, Enter on "OK": the box is unloaded.
    child(box, "cmdSysInfo")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!box);
    forms::showAbout();
    box = forms::about();
    QVERIFY(QTest::qWaitForWindowActive(box));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(!box);
    QVERIFY(!forms::about());
}

// The named window, shown.
QWidget *TestLayouts::window(const QString &name)
{
    QWidget *shown = nullptr;
    if (name == u"FMStart")
        shown = m_main.get();
    else if (name == u"FMPass")
        shown = &forms::login();
    else if (name == u"FMServer")
        shown = &forms::server();
    else
        forms::showAbout();
    shown = shown ? shown : forms::about();
    shown->show();
    return QTest::qWaitForWindowExposed(shown) ? shown : nullptr;
}

// What a screen reader says of each control: its name, its role and the
// caption it is labelled by; parts of a picture are left out.
void TestLayouts::accessibleNamesAndRoles_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name"); // empty: left out for screen readers
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("caption");
    const auto control = [](const char *window, const char *name, const QString &spoken,
                            QAccessible::Role role, const char *caption = "") {
        QTest::addRow("%s %s", window, name)
            << QString::fromLatin1(window) << QString::fromUtf8(name) << spoken << int(role)
            << QString::fromLatin1(caption);
    };
    control("FMStart", "TxLnr", "Lief-.Nr.:", QAccessible::EditableText, "Label1");
    control("FMStart", "TxLname", "Lieferantenname", QAccessible::EditableText);
    control("FMStart", "TxLagerort", "Lagerort:", QAccessible::EditableText, "Label5");
    control("FMStart", "BUAkt", "Aktualisieren", QAccessible::Button);
    control("FMStart", "BUDatei", "Datei erzeugen", QAccessible::Button);
    control("FMStart", "liste", "Lagerstand", QAccessible::Tree);
    control("FMStart", "Label1", "Lief-.Nr.:", QAccessible::StaticText);
    control("FMStart", "Label5", "Lagerort:", QAccessible::StaticText);
    control("FMStart", "Label2", "Quarmel IT", QAccessible::StaticText);
    control("FMStart", "Label3", "", QAccessible::StaticText);
    control("FMStart", "Label4", "", QAccessible::StaticText);
    control("FMPass", "BUSER", "User(DAV Personalcode):", QAccessible::EditableText, "Label5");
    control("FMPass", "BPASSWORT", "Passwort:", QAccessible::EditableText, "Label3");
    control("FMPass", "BUSpeich", "Anmelden", QAccessible::Button);
    control("FMPass", "BUAusst", "Abbruch", QAccessible::Button);
    control("FMPass", "BUServer", "Server", QAccessible::Button);
    control("FMServer", "BSERVERIP", "ServerIP:", QAccessible::EditableText, "Label4");
    control("FMServer", "BPORT", "Port:", QAccessible::EditableText, "Label6");
    control("FMServer", "BFIRMA", "Firma:", QAccessible::EditableText, "Label1");
    control("FMServer", "BFIL", "Filiale:", QAccessible::EditableText, "Label2");
    control("FMServer", "BNAMESPACE", "Namespace:", QAccessible::EditableText, "Label3");
    control("FMServer", "BWJ", "WJ:", QAccessible::EditableText, "Label5");
    control("FMServer", "BUEdit", "Ändern", QAccessible::Button);
    control("FMServer", "BUZurück", "Zurück", QAccessible::Button);
    control("frmAbout", "cmdOK", "OK", QAccessible::Button);
    control("frmAbout", "cmdSysInfo", "Systeminfo...", QAccessible::Button);
    control("frmAbout", "ctHyperLink1", "Quarmel IT GmbH, Frau Beispiel", QAccessible::Link);
    control("frmAbout", "ctHyperLink2", "www.example.com", QAccessible::Link);
    control("frmAbout", "Image1", "Logo der Beispiel Handels-GmbH", QAccessible::Graphic);
    control("frmAbout", "Label2", "Quarmel IT", QAccessible::StaticText);
    control("frmAbout", "Label3", "", QAccessible::StaticText);
    control("frmAbout", "Label4", "", QAccessible::StaticText);
    control("frmAbout", "lblTitle", "Dravonik Datenexport", QAccessible::StaticText);
    // Each window as a whole: no control that a screen reader meets is nameless.
    for (const char *window : {"FMStart", "FMPass", "FMServer", "frmAbout"})
        control(window, "", "", QAccessible::NoRole);
}

void TestLayouts::accessibleNamesAndRoles()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(int, role);
    QFETCH(QString, caption);
    QWidget *shown = this->window(window);
    QVERIFY(shown);
    if (control.isEmpty()) {
        for (QWidget *widget : shown->findChildren<QWidget *>()) {
            QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(widget);
            if (!spoken || spoken->state().invisible || widget->isHidden())
                continue;
            const QAccessible::Role kind = spoken->role();
            if (kind == QAccessible::Client || kind == QAccessible::Pane ||
                kind == QAccessible::MenuBar || kind == QAccessible::ScrollBar ||
                kind == QAccessible::Separator || qobject_cast<QMenu *>(widget) ||
                widget->parentWidget()->inherits("QAbstractScrollArea"))
                continue; // containers and the list's own parts
            QVERIFY2(!spoken->text(QAccessible::Name).isEmpty(),
                     qPrintable(widget->objectName() + u' ' + widget->metaObject()->className()));
        }
        return;
    }
    QWidget *widget = child(shown, control);
    QVERIFY(widget);
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(spoken);
    QCOMPARE(spoken->role(), QAccessible::Role(role));
    if (name.isEmpty()) {
        QVERIFY(spoken->state().invisible);
        return;
    }
    QVERIFY(!spoken->state().invisible);
    QCOMPARE(spoken->text(QAccessible::Name), name);
    if (caption.isEmpty())
        return;
    QAccessibleInterface *label = QAccessible::queryAccessibleInterface(child(shown, caption));
    bool labelled = false;
    for (const auto &[other, relation] : spoken->relations(QAccessible::Label))
        labelled = labelled || other == label;
    QVERIFY2(labelled, "not labelled by its caption");
}

// The login dialog and the about box cannot be minimized or maximized for
// good: where a window manager does it all the same, they come back as they were.
void TestLayouts::fixedDialogsStayOnScreen()
{
    forms::showAbout();
    for (QWidget *dialog : {static_cast<QWidget *>(&forms::login()), static_cast<QWidget *>(forms::about())}) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QSize size = dialog->size();
        for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized, Qt::WindowFullScreen}) {
            dialog->setWindowState(state);
            QTRY_COMPARE(dialog->windowState(), Qt::WindowNoState);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->size(), size);
        }
        QVERIFY(!hasFlag(dialog, Qt::WindowMinimizeButtonHint));
        QVERIFY(!hasFlag(dialog, Qt::WindowMaximizeButtonHint));
    }
    // Opened from the main window and minimized with it, the login dialog comes back with it.
    m_main->show();
    LoginDialog &login = forms::login();
    login.setParent(m_main.get(), login.windowFlags());
    login.show();
    m_main->setWindowState(Qt::WindowMinimized);
    login.setWindowState(Qt::WindowMinimized);
    QTest::qWait(20);
    QVERIFY(login.isMinimized());
}

TOLVAN_PROGRAM_TEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
