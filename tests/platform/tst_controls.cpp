// The controls placed on windows, the Save dialog and the message boxes.

#include "FakeMessageBoxes.h"
#include "FileSaveDialog.h"
#include "GuiTest.h"
#include "HyperlinkLabel.h"
#include "PicturePushButton.h"
#include "QtMessageBoxes.h"
#include "ReportList.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace tolvan;

using testing::whenModal;

// Receives the URLs that hyperlink labels open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void listOperations();
    void listShowsColumnsOfTheRowText();
    void listKeepsLongAndManyRowsExact();
    void twoStateButton();
    void hyperlinkOpensItsTarget();
    void saveDialog();
    void saveDialogCancel();
    void germanMessageBoxes_data();
    void germanMessageBoxes();
    void questionsAnswerOnlyToTheirButtons();
};

void TestControls::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestControls::listOperations()
{
    ReportList list;
    QCOMPARE(list.rowCount(), 0);
    list.addRow("A1\nB1\nE1\n12");
    list.addRow("ohne Zeilenumbruch");
    list.addRow("");
    QCOMPARE(list.rowCount(), 3);
    QCOMPARE(list.rowText(0), "A1\nB1\nE1\n12");
    QCOMPARE(list.rowText(1), "ohne Zeilenumbruch");
    QCOMPARE(list.rowText(2), "");
    QCOMPARE(list.rowText(3), "");
    QCOMPARE(list.rowText(-1), "");
    list.clear();
    QCOMPARE(list.rowCount(), 0);
    list.addRow("neu");
    QCOMPARE(list.rowText(0), "neu");
}

void TestControls::listShowsColumnsOfTheRowText()
{
    ReportList list;
    list.addRow("100-0001\nHolzeisenbahn, 24-teilig\n4006381333931\n12");
    list.addRow("100-0003\nKreisel Ø 8 cm");
    // Rows added in one go reach the view when control returns to the event loop.
    QCOMPARE(list.model()->rowCount(), 0);
    QTRY_COMPARE(list.model()->rowCount(), 2);
    const auto cell = [&](int row, int column) {
        return list.model()->index(row, column).data().toString();
    };
    QCOMPARE(cell(0, 0), "100-0001");
    QCOMPARE(cell(0, 1), "Holzeisenbahn, 24-teilig");
    QCOMPARE(cell(0, 2), "4006381333931");
    QCOMPARE(cell(0, 3), "12");
    QCOMPARE(cell(1, 1), "Kreisel Ø 8 cm");
    QCOMPARE(cell(1, 2), "");
    QCOMPARE(cell(1, 3), "");
    QCOMPARE(list.model()->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));
    list.clear();
    QCOMPARE(list.model()->rowCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(list.model()->rowCount(), 0);
}

void TestControls::listKeepsLongAndManyRowsExact()
{
    ReportList list;
    const QString longRow = "L\n" + QString(3'000'000, u'x') + "\nE\n1";
    for (int i = 0; i < 150'000; ++i) {
        const QString row =
            QStringLiteral("%1\nArtikel %1 Größe M\n%2\n%3").arg(i).arg(i * 7).arg(i % 50);
        if (i % 2)
            list.addUtf8Row(row.toUtf8());
        else
            list.addRow(row);
    }
    list.addRow(longRow);
    list.addRow("danach");
    // Rows in Latin-1 and beyond it, in every order, at odd and even places.
    // Every second one arrives in UTF-8, as the stock query hands rows over;
    // broken UTF-8 reads as it would as a text.
    const QStringList mixed{"a",  "€",
                            "ab", "Größe €",
                            "ß",  "x€y",
                            "€€", "z",
                            "",   "€",
                            "",   "A\n1",
                            "",   "Größe ß ÄÖÜ äöü ÿ",
                            "",   QString::fromUtf16(u"\u0080\u00A0\u00BF\u00C0"),
                            "ab", "ä€"};
    for (int i = 0; i < mixed.size(); ++i) {
        if (i % 2)
            list.addUtf8Row(mixed[i].toUtf8());
        else
            list.addRow(mixed[i]);
    }
    const QList<QByteArray> broken{"A\n\xC3\n\xE2\x82", "ende \xC3", "\xC3\x41", "\xC3\xC3\xA4",
                                   "\xC0\x80",          "\xC1\xBF",  "\x80",     QByteArray()};
    for (const QByteArray &row : broken)
        list.addUtf8Row(row);
    QCOMPARE(list.rowCount(), 150'002 + mixed.size() + broken.size());
    for (int i = 0; i < mixed.size(); ++i)
        QCOMPARE(list.rowText(150'002 + i), mixed[i]);
    for (int i = 0; i < broken.size(); ++i)
        QCOMPARE(list.rowText(int(150'002 + mixed.size() + i)), QString::fromUtf8(broken[i]));
    for (int i : {0, 1, 20'000, 20'001, 74'999, 149'999})
        QCOMPARE(list.rowText(i),
                 QStringLiteral("%1\nArtikel %1 Größe M\n%2\n%3").arg(i).arg(i * 7).arg(i % 50));
    QCOMPARE(list.rowText(150'000), longRow);
    QCOMPARE(list.rowText(150'001), "danach");
}

void TestControls::twoStateButton()
{
    PicturePushButton plain;
    plain.show();
    QTest::mouseClick(&plain, Qt::LeftButton);
    QVERIFY(!plain.value());

    PicturePushButton button;
    button.setTwoState(true);
    button.show();
    QVERIFY(!button.value());
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.value());
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(!button.value());
    button.setValue(true);
    QVERIFY(button.value());
    QTest::keyClick(&button, Qt::Key_Space);
    QVERIFY(!button.value());

    // A screen reader hears a push button that is pressed in or not, not a
    // check box; its press action toggles it like a click.
    button.setText("&Ändern");
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(&button);
    QVERIFY(spoken);
    QCOMPARE(spoken->role(), QAccessible::Button);
    QCOMPARE(spoken->text(QAccessible::Name), "Ändern");
    QVERIFY(spoken->state().checkable);
    QVERIFY(!spoken->state().checked);
    QVERIFY(spoken->actionInterface());
    spoken->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(button.value());
    QVERIFY(spoken->state().checked);
    QVERIFY(spoken->state().pressed);
    spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(!button.value());
    QCOMPARE(QAccessible::queryAccessibleInterface(&plain)->role(), QAccessible::Button);
    QVERIFY(!QAccessible::queryAccessibleInterface(&plain)->state().checkable);
}

void TestControls::hyperlinkOpensItsTarget()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    HyperlinkLabel mail;
    mail.setText("Mail");
    mail.setTarget(QUrl("mailto:info@example.com"));
    mail.resize(100, 20);
    mail.show();
    QCOMPARE(mail.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QTest::mouseClick(&mail, Qt::LeftButton);
    QCOMPARE(catcher.opened, QList<QUrl>{QUrl("mailto:info@example.com")});
    QVERIFY(mail.isVisited());
    QCOMPARE(mail.palette().color(QPalette::WindowText), QColor(128, 0, 128));
    mail.setEnabled(false);
    QCOMPARE(mail.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(128, 128, 128));
    QTest::mouseClick(&mail, Qt::LeftButton);
    QCOMPARE(catcher.opened.size(), 1);

    // Without a mouse: Tab reaches the link, Enter and Space open it; a
    // screen reader finds a link named by its text that it can press.
    QWidget window;
    auto *before = new QLineEdit(&window);
    auto *web = new HyperlinkLabel(&window);
    web->setText("www.example.com");
    web->setTarget(QUrl("https://www.example.com"));
    web->setGeometry(0, 30, 120, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), web);
    QTest::keyClick(web, Qt::Key_Return);
    QTest::keyClick(web, Qt::Key_Space);
    QTest::keyClick(web, Qt::Key_A); // other keys do nothing
    QCOMPARE(catcher.opened.size(), 3);
    QCOMPARE(catcher.opened.last(), QUrl("https://www.example.com"));
    QAccessibleInterface *link = QAccessible::queryAccessibleInterface(web);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), "www.example.com");
    QVERIFY(link->state().focusable);
    QVERIFY(link->state().traversed);
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(catcher.opened.size(), 4);
    QDesktopServices::unsetUrlHandler("mailto");
    QDesktopServices::unsetUrlHandler("https");

    // No program for the link: a message, and the link stays unvisited.
    FakeMessageBoxes messages;
    messages.expect(MessageAnswer::Ok);
    HyperlinkLabel nowhere;
    nowhere.setTarget(QUrl("tolvan-nowhere:info"));
    nowhere.resize(100, 20);
    nowhere.show();
    QTest::mouseClick(&nowhere, Qt::LeftButton);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, "„tolvan-nowhere:info“ lässt sich nicht öffnen: Auf diesem "
                                     "Rechner ist kein Programm dafür eingerichtet.");
    QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
    QVERIFY(!nowhere.isVisited());
    QCOMPARE(nowhere.palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

void TestControls::saveDialog()
{
    QTemporaryDir dir;
    QWidget owner;
    FileSaveDialog dialog(&owner);
    QString seenFolder, seenName, seenFilter;
    whenModal([&](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        if (!files)
            return false;
        seenFolder = files->directory().absolutePath();
        seenFilter = files->selectedNameFilter();
        auto *name = files->findChild<QLineEdit *>("fileNameEdit");
        if (!name)
            return false;
        seenName = name->text();
        name->setText("bestand");
        QTest::keyClick(name, Qt::Key_Return);
        return true;
    });
    const QString path = dialog.showSave({dir.path(), ".csv", "*.csv", true});
    QCOMPARE(seenFolder, QDir(dir.path()).absolutePath());
    QCOMPARE(seenName, ".csv");
    QCOMPARE(seenFilter, "*.csv");
    QCOMPARE(path, QDir(dir.path()).filePath("bestand")); // no extension added
}

void TestControls::saveDialogCancel()
{
    FileSaveDialog dialog(nullptr);
    whenModal([](QWidget *modal) {
        static_cast<QDialog *>(modal)->reject();
        return true;
    });
    QVERIFY_THROWS_EXCEPTION(SaveCancelled,
                             dialog.showSave({QDir::tempPath(), ".csv", "*.csv", true}));
    whenModal([](QWidget *modal) {
        static_cast<QDialog *>(modal)->reject();
        return true;
    });
    QCOMPARE(dialog.showSave({QDir::tempPath(), ".csv", "*.csv", false}), QString());
}

void TestControls::germanMessageBoxes_data()
{
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("information, OK") << int(MessageIcon::Information) << int(MessageButtons::Ok)
                                     << QStringList{"OK"} << "OK" << int(MessageAnswer::Ok);
    QTest::newRow("question, yes") << int(MessageIcon::None) << int(MessageButtons::YesNo)
                                   << QStringList{"Ja", "Nein"} << "Ja" << int(MessageAnswer::Yes);
    QTest::newRow("question, no") << int(MessageIcon::None) << int(MessageButtons::YesNo)
                                  << QStringList{"Ja", "Nein"} << "Nein" << int(MessageAnswer::No);
    QTest::newRow("critical") << int(MessageIcon::Critical) << int(MessageButtons::Ok)
                              << QStringList{"OK"} << "OK" << int(MessageAnswer::Ok);
}

void TestControls::germanMessageBoxes()
{
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(QStringList, captions);
    QFETCH(QString, press);
    QFETCH(int, answer);
    QString title, text;
    QStringList seen;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return false;
        title = box->windowTitle();
        text = box->text();
        seenIcon = box->icon();
        QAbstractButton *target = nullptr;
        for (QAbstractButton *button : box->findChild<QDialogButtonBox *>()->buttons()) {
            seen << button->text().remove(u'&');
            if (button->text().remove(u'&') == press)
                target = button;
        }
        if (!target)
            return false;
        QTest::mouseClick(target, Qt::LeftButton);
        return true;
    });
    QtMessageBoxes boxes;
    const MessageAnswer result = boxes.show("Anmeldung an Caché", "Änderungen sichern?",
                                            MessageIcon(icon), MessageButtons(buttons));
    QCOMPARE(title, "Anmeldung an Caché");
    QCOMPARE(text, "Änderungen sichern?");
    seen.sort();
    captions.sort();
    QCOMPARE(seen, captions);
    QCOMPARE(int(result), answer);
    const QMessageBox::Icon expected[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                          QMessageBox::Warning, QMessageBox::Critical};
    QCOMPARE(seenIcon, expected[icon]);
}

void TestControls::questionsAnswerOnlyToTheirButtons()
{
    bool stayedOpen = false;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return false;
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        QCoreApplication::processEvents();
        stayedOpen = box->isVisible() && QApplication::activeModalWidget() == box;
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        return true;
    });
    QtMessageBoxes boxes;
    QCOMPARE(boxes.show("Anmeldung an Caché", "Änderungen erlauben?", MessageIcon::None,
                        MessageButtons::YesNo),
             MessageAnswer::Yes);
    QVERIFY(stayedOpen);
}

TOLVAN_GUI_TEST_MAIN(TestControls)
#include "tst_controls.moc"
