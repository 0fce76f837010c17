// The about box: its placement under "Info", and the system information
// program found through a fake registry (as on Windows) or among the
// desktop's programs (as on Linux), with every failure ending in one message.

#include "AboutBox.h"
#include "FakeMessageBoxes.h"
#include "FakePrograms.h"
#include "Forms.h"
#include "ProgramTest.h"
#include "Programs.h"
#include "Registry.h"
#include "SettingsStore.h"
#include "SystemInfo.h"

#include <QHash>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

using namespace tolvan;
using testing::child;

namespace {

// Keys with values of a type and bytes; keys that refuse to open.
class FakeRegistry : public Registry {
public:
    struct Value {
        quint32 type;
        QByteArray data;
    };
    long open(quint32 root, const QByteArray &path, quint32 access, quintptr &key) override
    {
        opened << QString::fromLatin1(path);
        accesses << access;
        roots << root;
        key = 0;
        if (refused.contains(path))
            return 5; // access denied
        if (!keys.contains(path))
            return 2; // not found
        key = quintptr(keys.keys().indexOf(path) + 1);
        return 0;
    }
    long query(quintptr key, const QByteArray &name, quint32 &type, char *buffer,
               quint32 &size) override
    {
        const QHash<QByteArray, Value> &values = keys[keys.keys().at(int(key - 1))];
        if (!values.contains(name))
            return 2;
        const Value &value = values[name];
        type = value.type;
        if (quint32(value.data.size()) > size) {
            size = quint32(value.data.size());
            return 234; // more data
        }
        std::copy(value.data.begin(), value.data.end(), buffer);
        size = quint32(value.data.size());
        return 0;
    }
    void close(quintptr key) override { closed << key; }

    QMap<QByteArray, QHash<QByteArray, Value>> keys;
    QList<QByteArray> refused;
    QStringList opened;
    QList<quint32> accesses, roots;
    QList<quintptr> closed;
};

const QByteArray MsInfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray Location = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString Unavailable = "Systeminformationen sind momentan nicht verfügbar";

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placementUnderInfo();
    void getKeyValue_data();
    void getKeyValue();
    void sysInfoFromTheRegistry_data();
    void sysInfoFromTheRegistry();
    void sysInfoOnTheDesktop_data();
    void sysInfoOnTheDesktop();
    void sysInfoButton();

private:
    QString info() { return GetSetting({"WendmarZV", "Windowpos", "Info"}, "(none)"); }

    FakeMessageBoxes m_messages;
    FakeRegistry m_registry;
    std::unique_ptr<FakePrograms> m_programs;
};

void TestAboutBox::init()
{
    testing::services->recordEnds();
    QSettings(testing::services->settings.fileName("WendmarZV"), QSettings::IniFormat).clear();
    m_messages.reset();
    m_registry = FakeRegistry();
    m_programs.reset(); // one installed at a time
    m_programs = std::make_unique<FakePrograms>();
}

void TestAboutBox::cleanup()
{
    QCOMPARE(m_messages.unexpected, 0);
    Registry::install(nullptr);
    forms::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestAboutBox::placementUnderInfo()
{
    // Opened at its layout place; "OK" stores where it is.
    forms::showAbout();
    QPointer<AboutBox> box = forms::about();
    box->move(150, 120);
    QTest::mouseClick(child(box, "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(!box);
    const QString first = info();
    QVERIFY2(first.startsWith("2250|1800|"), qPrintable(first));

    // The next box opens there; the close box stores too.
    forms::showAbout();
    box = forms::about();
    QCOMPARE(box->frameGeometry().topLeft(), QPoint(150, 120));
    box->move(60, 30);
    box->close();
    QTRY_VERIFY(!box);
    QVERIFY2(info().startsWith("900|450|"), qPrintable(info()));

    // So does the end of the program with the box open.
    forms::showAbout();
    forms::about()->move(75, 45);
    forms::unloadAll();
    QVERIFY2(info().startsWith("1125|675|"), qPrintable(info()));
}

void TestAboutBox::getKeyValue_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("value");
    QTest::newRow("string with NUL")
        << quint32(1) << QByteArray("C:\\Programme\\msinfo32.exe") + '\0' << true
        << "C:\\Programme\\msinfo32.exe";
    QTest::newRow("string without NUL")
        << quint32(1) << QByteArray("C:\\msinfo32.exe") << true << "C:\\msinfo32.exe";
    QTest::newRow("string in the code page") << quint32(1)
                                             << QByteArray("C:\\Gr\xF6\xDF"
                                                           "e") +
                                                    '\0'
                                             << true << "C:\\Größe";
    QTest::newRow("double word") << quint32(4) << QByteArray("\x78\x56\x34\x12", 4) << true
                                 << "305419896";
    QTest::newRow("double word above 2^31")
        << quint32(4) << QByteArray("\xFE\xFF\xFF\xFF", 4) << true << "4294967294";
    QTest::newRow("double word ending in NUL")
        << quint32(4) << QByteArray("\x05\0\0\0", 4) << true << "5";
    QTest::newRow("expandable string: unchanged")
        << quint32(2) << QByteArray("%WINDIR%\0", 9) << true << "vorher";
    QTest::newRow("1024 bytes fit")
        << quint32(1) << QByteArray(1024, 'a') << true << QString(1024, u'a');
    QTest::newRow("over 1024 bytes") << quint32(1) << QByteArray(1025, 'a') << false << "";
}

void TestAboutBox::getKeyValue()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, result);
    QFETCH(QString, value);
    m_registry.keys[MsInfo]["PATH"] = {type, data};
    QString keyVal = "vorher";
    QCOMPARE(GetKeyValue(m_registry, Registry::LocalMachine, MsInfo, "PATH", keyVal), result);
    QCOMPARE(keyVal, value);
    QCOMPARE(m_registry.accesses, QList<quint32>{0x2003F}); // write rights included
    QCOMPARE(m_registry.roots, QList<quint32>{0x80000002});
    QCOMPARE(m_registry.closed.size(), 1);
}

void TestAboutBox::sysInfoFromTheRegistry_data()
{
    QTest::addColumn<QByteArray>("path"); // the PATH value, "-" for none
    QTest::addColumn<quint32>("pathType");
    QTest::addColumn<QByteArray>("folder"); // the MSINFO value, "-" for none
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("tried");
    QTest::addColumn<QStringList>("opened");
    const QString exe = "C:\\Programme\\MSINFO32.EXE";
    const QStringList both{MsInfo, Location};
    QTest::newRow("PATH names the program")
        << QByteArray("C:\\Programme\\MSINFO32.EXE\0", 26) << quint32(1) << QByteArray("-")
        << QStringList{exe} << false << QStringList{exe} << QStringList{MsInfo};
    QTest::newRow("PATH expandable: empty path, second key not tried")
        << QByteArray("%X%\\MSINFO32.EXE") << quint32(2) << QByteArray("C:\\Programme")
        << QStringList{exe} << false << QStringList{""} << QStringList{MsInfo};
    QTest::newRow("PATH names a missing file")
        << QByteArray("C:\\weg\\MSINFO32.EXE") << quint32(1) << QByteArray("C:\\Programme")
        << QStringList{exe} << false << QStringList{"C:\\weg\\MSINFO32.EXE"} << QStringList{MsInfo};
    QTest::newRow("no PATH, the folder holds the program")
        << QByteArray("-") << quint32(1) << QByteArray("C:\\Programme") << QStringList{exe} << false
        << QStringList{exe} << both;
    QTest::newRow("no PATH, the folder does not")
        << QByteArray("-") << quint32(1) << QByteArray("C:\\Leer") << QStringList{exe} << false
        << QStringList{} << both;
    QTest::newRow("both keys refused")
        << QByteArray("C:\\Programme\\MSINFO32.EXE") << quint32(1) << QByteArray("C:\\Programme")
        << QStringList{exe} << true << QStringList{} << both;
}

void TestAboutBox::sysInfoFromTheRegistry()
{
    QFETCH(QByteArray, path);
    QFETCH(quint32, pathType);
    QFETCH(QByteArray, folder);
    QFETCH(QStringList, files);
    QFETCH(bool, refused);
    QFETCH(QStringList, tried);
    QFETCH(QStringList, opened);
    m_registry.keys[MsInfo]; // the keys exist, their values may not
    m_registry.keys[Location];
    if (path != "-")
        m_registry.keys[MsInfo]["PATH"] = {pathType, path};
    if (folder != "-")
        m_registry.keys[Location]["MSINFO"] = {1, folder};
    if (refused)
        m_registry.refused = {MsInfo, Location};
    m_programs->files = files;
    Registry::install(&m_registry);
    const bool starts = tried.size() == 1 && files.contains(tried[0]);
    if (!starts)
        m_messages.expect(MessageAnswer::Ok);
    StartSysInfo();
    QCOMPARE(m_programs->tried, tried);
    QCOMPARE(m_registry.opened, opened);
    QCOMPARE(m_messages.shown.size(), starts ? 0 : 1);
    if (!starts) {
        QCOMPARE(m_messages.shown[0].text, Unavailable);
        QCOMPARE(m_messages.shown[0].title, QCoreApplication::applicationName());
        QCOMPARE(m_messages.shown[0].icon, MessageIcon::None);
        QCOMPARE(m_messages.shown[0].buttons, MessageButtons::Ok);
    }
}

void TestAboutBox::sysInfoOnTheDesktop_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<QStringList>("broken");
    QTest::addColumn<QStringList>("tried");
    QTest::newRow("KDE's first") << "KDE" << QStringList{"kinfocenter", "gnome-control-center"}
                                 << QStringList{} << QStringList{"/usr/bin/kinfocenter"};
    QTest::newRow("on GNOME, GNOME's first")
        << "ubuntu:GNOME" << QStringList{"kinfocenter", "gnome-control-center"} << QStringList{}
        << QStringList{"/usr/bin/gnome-control-center info-overview"};
    QTest::newRow("only HardInfo")
        << "" << QStringList{"hardinfo"} << QStringList{} << QStringList{"/usr/bin/hardinfo"};
    QTest::newRow("one fails to start, the next is tried")
        << "XFCE" << QStringList{"kinfocenter", "hardinfo2"} << QStringList{"/usr/bin/kinfocenter"}
        << QStringList{"/usr/bin/kinfocenter", "/usr/bin/hardinfo2"};
    QTest::newRow("none there") << "KDE" << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("none starts") << "" << QStringList{"hardinfo"}
                                 << QStringList{"/usr/bin/hardinfo"}
                                 << QStringList{"/usr/bin/hardinfo"};
}

void TestAboutBox::sysInfoOnTheDesktop()
{
    QFETCH(QString, desktop);
    QFETCH(QStringList, onPath);
    QFETCH(QStringList, broken);
    QFETCH(QStringList, tried);
    if (Registry::current())
        QSKIP("The system's registry answers here; the desktop's programs stand in without one.");
    qputenv("XDG_CURRENT_DESKTOP", desktop.toUtf8());
    m_programs->onPath = onPath;
    m_programs->broken = broken;
    const bool starts = !tried.isEmpty() && !broken.contains(tried.last().split(' ').first());
    if (!starts)
        m_messages.expect(MessageAnswer::Ok);
    StartSysInfo(); // no registry here
    QCOMPARE(m_programs->tried, tried);
    QCOMPARE(m_messages.shown.size(), starts ? 0 : 1);
    if (!starts)
        QCOMPARE(m_messages.shown[0].text, Unavailable);
    qunsetenv("XDG_CURRENT_DESKTOP");
}

void TestAboutBox::sysInfoButton()
{
    if (Registry::current())
        QSKIP("The system's registry answers here; the desktop's programs stand in without one.");
    m_programs->onPath = {"hardinfo"};
    forms::showAbout();
    QTest::mouseClick(child(forms::about(), "cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(m_programs->tried, QStringList{"/usr/bin/hardinfo"});
    QVERIFY(forms::about()); // the box stays open
}

TOLVAN_PROGRAM_TEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
