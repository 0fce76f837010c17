// The export file's bytes, from row texts to a device or a file: which rows,
// which fields, Windows-1252, and what a write failure leaves behind.

#include "ExportFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvan;

namespace {

// Takes `limit` bytes, then refuses every write. Like a file on a disk that
// fills up, the write that reaches the limit takes part of its bytes without
// a reason; only the next one fails and says why.
class FailDevice : public QIODevice {
public:
    explicit FailDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 room = std::min(size, m_limit - written.size());
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, room);
        return room;
    }

private:
    qint64 m_limit;
};

ExportRows rowsOf(const QStringList &texts)
{
    return {texts.size(), [texts](qsizetype row) { return texts[row]; }};
}

QByteArray exported(const QString &location, const QStringList &texts)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeExportLines(buffer, location, rowsOf(texts), QStringLiteral("Puffer"));
    return buffer.data();
}

// The same rows given as UTF-8, as the export without a window hands them over.
QByteArray exportedUtf8(const QString &location, const QList<QByteArray> &rows)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportLines lines(buffer, location, QStringLiteral("Puffer"));
    for (const QByteArray &row : rows)
        lines.addUtf8(row);
    lines.finish();
    return buffer.data();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void windows1252Bytes_data();
    void windows1252Bytes();
    void utf8RowsAsTheirTexts_data();
    void utf8RowsAsTheirTexts();
    void largeListInBlocks();
    void deviceFailingAfterSomeBytes_data();
    void deviceFailingAfterSomeBytes();
    void fileReplacedCompletely();
    void linksReplacedNotFollowed_data();
    void linksReplacedNotFollowed();
    void exportGivenUpLeavesTheOldFile();
    void fileThatCannotBeWritten_data();
    void fileThatCannotBeWritten();
    void refusalsHoldForAUserWithoutRootsRights();
};

void TestExport::lines_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("one row") << "L1" << QStringList{"A1\nB1\nE1\n12"} << QByteArray("L1,E1,12\r\n");
    QTest::newRow("rows without EAN left out, order kept")
        << "L" << QStringList{"A\nB\n1\n5", "A\nB\n\n7", "no line feeds", "A\nB\n2\n6"}
        << QByteArray("L,1,5\r\nL,2,6\r\n");
    QTest::newRow("EAN without quantity ends with the comma")
        << "L" << QStringList{"A\nB\n400"} << QByteArray("L,400,\r\n");
    QTest::newRow("commas and quotes written as they are")
        << "Regal 7, Süd" << QStringList{"A\nB\n\"4,1\"\n1,5"}
        << QByteArray("Regal 7, S\xFC"
                      "d,\"4,1\",1,5\r\n");
    QTest::newRow("more fields than four")
        << "L" << QStringList{"A\nB\nE\n3\nextra"} << QByteArray("L,E,3\r\n");
    QTest::newRow("blanks kept") << " L " << QStringList{"A\nB\n E \n 3 "}
                                 << QByteArray(" L , E , 3 \r\n");
    QTest::newRow("empty list: no bytes") << "L" << QStringList{} << QByteArray();
    QTest::newRow("no EAN anywhere: no bytes")
        << "L" << QStringList{"A\nB\n\n1", ""} << QByteArray();
}

void TestExport::lines()
{
    QFETCH(QString, location);
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, bytes);
    QCOMPARE(exported(location, rows), bytes);
    QList<QByteArray> utf8;
    for (const QString &row : rows)
        utf8 << row.toUtf8();
    QCOMPARE(exportedUtf8(location, utf8), bytes);
}

void TestExport::windows1252Bytes_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("umlauts and sharp s") << "äöüÄÖÜß" << QByteArray("\xE4\xF6\xFC\xC4\xD6\xDC\xDF");
    QTest::newRow("euro and quotes") << "€„“‚‘–…" << QByteArray("\x80\x84\x93\x82\x91\x96\x85");
    QTest::newRow("outside the code page") << "łx中" << QByteArray("?x?");
    QTest::newRow("one character, two code units") << "a😀b" << QByteArray("a?b");
    QTest::newRow("the five undefined codes")
        << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D") << QByteArray("?????");
    QTest::newRow("Latin-1 controls that are defined")
        << QString::fromUtf16(u"\u00A0\u00FF") << QByteArray("\xA0\xFF");
}

void TestExport::windows1252Bytes()
{
    QFETCH(QString, location);
    QFETCH(QByteArray, bytes);
    QCOMPARE(exported(location, {"A\nB\nE\n1"}), bytes + ",E,1\r\n");
    QCOMPARE(exported("L", {"A\nB\n" + location + "\n" + location}),
             "L," + bytes + "," + bytes + "\r\n");
}

void TestExport::utf8RowsAsTheirTexts_data()
{
    QTest::addColumn<QByteArray>("row");
    QTest::newRow("ASCII") << QByteArray("A1\nB1\nE1\n12");
    QTest::newRow("umlaut in the description") << QByteArray("A\nB\xC3\xA4r\n4001\n3");
    QTest::newRow("umlaut in the EAN") << QByteArray("A\nB\n400\xC3\xBC\n3");
    QTest::newRow("euro in the quantity") << QByteArray("A\nB\n4\n\xE2\x82\xAC"
                                                        "5");
    QTest::newRow("outside the code page") << QByteArray("A\nB\n4\xF0\x9F\x98\x80\n\xE4\xB8\xAD");
    QTest::newRow("no EAN") << QByteArray("A\nB\n\n3");
    QTest::newRow("no line feeds") << QByteArray("A");
    QTest::newRow("empty") << QByteArray();
    // Broken UTF-8 before a line feed must not take the line feed with it:
    // the fields stay where the text has them.
    QTest::newRow("cut sequence in the description") << QByteArray("A\n\xE2\x82\n400\n3");
    QTest::newRow("lone lead byte in the description") << QByteArray("A\n\xC3\n400\n3");
    QTest::newRow("cut four-byte sequence, no EAN") << QByteArray("A\n\xF0\x9F\x98\n\n3");
    QTest::newRow("bytes never in UTF-8") << QByteArray("\xFF\xFE\n\xC0\xAF\n401\n1");
    QTest::newRow("encoded surrogate") << QByteArray("A\nB\n\xED\xA0\x80\n1");
    QTest::newRow("lead byte ending the EAN") << QByteArray("A\nB\n40\xC3\n\xA4"
                                                            "1");
    QTest::newRow("cut sequence ending the row") << QByteArray("A\nB\n4\n3\xE2\x82");
    QTest::newRow("EAN without quantity") << QByteArray("A\nB\n400");
    QTest::newRow("empty quantity") << QByteArray("A\nB\n4\n");
    QTest::newRow("more than four fields") << QByteArray("A\nB\nE\nQ\nX");
    QTest::newRow("NUL in EAN and quantity") << QByteArray("A\nB\n4\0"
                                                           "1\n2\0",
                                                           10);
    QTest::newRow("leading byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                           "A\nB\n4\n1");
    QTest::newRow("byte order mark in the EAN") << QByteArray("A\nB\n\xEF\xBB\xBF"
                                                              "4\n1");
}

void TestExport::utf8RowsAsTheirTexts()
{
    QFETCH(QByteArray, row);
    const QByteArray bytes = exported("Süd", {QString::fromUtf8(row)});
    QCOMPARE(exportedUtf8("Süd", {row}), bytes);
    QCOMPARE(exportedUtf8("Süd", {row, row}), bytes + bytes);
}

void TestExport::largeListInBlocks()
{
    // Several blocks: the device sees the lines whole and in order.
    const qsizetype count = 200000;
    ExportRows rows{count, [](qsizetype row) {
                        return QStringLiteral("A%1\nBeschreibung\n%1\n%2").arg(row).arg(row % 7);
                    }};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(writeExportLines(buffer, "L", rows, "Puffer"), count);
    const QList<QByteArray> lines = buffer.data().split('\n');
    QCOMPARE(lines.size(), count + 1);
    QCOMPARE(lines[123456], QByteArray("L,123456,4\r"));
    QVERIFY(lines.last().isEmpty());

    QBuffer utf8;
    utf8.open(QIODevice::WriteOnly);
    ExportLines utf8Lines(utf8, "L", "Puffer");
    for (qsizetype row = 0; row < count; ++row)
        utf8Lines.addUtf8(rows.text(row).toUtf8());
    QCOMPARE(utf8Lines.finish(), count);
    QVERIFY(utf8.data() == buffer.data());
}

void TestExport::deviceFailingAfterSomeBytes_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::newRow("nothing taken") << qint64(0);
    QTest::newRow("in the middle of a line") << qint64(5);
    QTest::newRow("after the first block") << qint64(1 << 20);
    QTest::newRow("in the middle of the second block") << qint64(1 << 20) + 1000;
}

void TestExport::deviceFailingAfterSomeBytes()
{
    QFETCH(qint64, limit);
    FailDevice device(limit);
    ExportRows rows{100000, [](qsizetype row) { return QStringLiteral("A\nB\n%1\n1").arg(row); }};
    try {
        writeExportLines(device, "Lager", rows, "/tmp/x.csv");
        QFAIL("the failed write was not reported");
    } catch (const ExportFailed &failed) {
        QVERIFY2(failed.description().startsWith(
                     "Die Datei „/tmp/x.csv“ konnte nicht geschrieben werden."),
                 qPrintable(failed.description()));
        QVERIFY2(failed.description().endsWith(
                     "Beim Schreiben ist ein Fehler aufgetreten: Auf dem Datenträger ist kein "
                     "Platz mehr."),
                 qPrintable(failed.description()));
    }
}

void TestExport::fileReplacedCompletely()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(".csv"); // the proposed name, accepted as it is
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();
    QCOMPARE(saveExportFile(path, "L", rowsOf({"A\nB\nE\n1"})), 1);
    QCOMPARE(contents(path), QByteArray("L,E,1\r\n")); // not appended to the old bytes
    QCOMPARE(saveExportFile(path, "L", rowsOf({})), 0);
    QCOMPARE(contents(path), QByteArray()); // an empty list replaces it with an empty file
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{".csv"});

    // A file readable by its owner only stays so.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(saveExportFile(path, "L", rowsOf({"A\nB\nE\n1"})), 1);
    QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());
}

void TestExport::linksReplacedNotFollowed_data()
{
    QTest::addColumn<bool>("dangling");
    QTest::newRow("a link to another file") << false;
    QTest::newRow("a dangling link") << true;
}

void TestExport::linksReplacedNotFollowed()
{
    // Anyone who may write the export's folder could lay a link there: the
    // export replaces the link and never writes or creates what it points to.
    QFETCH(bool, dangling);
    QTemporaryDir folder;
    const QString victim = folder.filePath("victim");
    if (!dangling)
        writeFile(victim, "fremde Daten\n");
    const QString path = folder.filePath("export.csv");
    QVERIFY(QFile::link(victim, path));
    QCOMPARE(saveExportFile(path, "L", rowsOf({"A\nB\nE\n1"})), 1);
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(contents(path), QByteArray("L,E,1\r\n"));
    if (dangling)
        QVERIFY(!QFileInfo::exists(victim));
    else
        QCOMPARE(contents(victim), QByteArray("fremde Daten\n"));
}

void TestExport::exportGivenUpLeavesTheOldFile()
{
    // A server failure in the middle of a streamed export: the old file stays
    // whole and no half-written file is left beside it.
    QTemporaryDir folder;
    const QString path = folder.filePath("export.csv");
    writeFile(path, "alt\r\n");
    try {
        ExportFile file(path, "L");
        for (int row = 0; row < 300000; ++row)
            file.add(QStringLiteral("A\nB\n%1\n1").arg(row));
        throw RuntimeError(-1, "Verbindung verloren");
    } catch (const RuntimeError &) {
    }
    QCOMPARE(contents(path), QByteArray("alt\r\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"export.csv"});
}

void TestExport::fileThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("name"); // in a temporary folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "fehlt/export.csv"
                                    << "Der Ordner „%1/fehlt“ existiert nicht.";
    QTest::newRow("a folder of that name") << "ordner"
                                           << "„%1/ordner“ ist ein Ordner.";
    QTest::newRow("a file where the folder should be") << "alt.csv/export.csv"
                                                       << "„%1/alt.csv“ ist kein Ordner.";
    QTest::newRow("no permission")
        << "gesperrt/export.csv"
        << "Keine Berechtigung zum Schreiben in den Ordner „%1/gesperrt“.";
    QTest::newRow("a name too long for any user, root included")
        << QString(250, u'x')
        << "Im Ordner „%1“ lässt sich keine Datei anlegen (Dateiname zu lang).";
    QTest::newRow("a pipe") << "pipe"
                            << "„%1/pipe“ ist keine gewöhnliche Datei (ein Gerät oder eine Pipe).";
    // Refused for root too, and the file keeps its bytes and its mode.
    QTest::newRow("a read-only file") << "nurlesen.csv" << "Die Datei ist schreibgeschützt.";
}

void TestExport::fileThatCannotBeWritten()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QDir(folder.path()).mkdir("ordner");
    QDir(folder.path()).mkdir("gesperrt");
    const QString old = folder.filePath("gesperrt/export.csv");
    writeFile(old, "alt\r\n");
    writeFile(folder.filePath("alt.csv"), "alt\r\n");
    const QString readOnly = folder.filePath("nurlesen.csv");
    writeFile(readOnly, "alt\r\n");
    QVERIFY(::chmod(QFile::encodeName(readOnly).constData(), 0444) == 0);
    QVERIFY(::mkfifo(QFile::encodeName(folder.filePath("pipe")).constData(), 0600) == 0);
    const QString locked = folder.filePath("gesperrt");
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    // Also when a check fails: the temporary folder must stay removable.
    const auto unlock = qScopeGuard([&locked] {
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (QTest::currentDataTag() == QLatin1String("no permission") && geteuid() == 0)
        QSKIP("root writes everywhere");
    const QString path = folder.filePath(name);
    try {
        saveExportFile(path, "L", rowsOf({"A\nB\nE\n1"}));
        QFAIL("the failure was not reported");
    } catch (const ExportFailed &failed) {
        QVERIFY2(
            failed.description().startsWith(
                QStringLiteral("Die Datei „%1“ konnte nicht geschrieben werden.\n\n").arg(path)),
            qPrintable(failed.description()));
        QVERIFY2(failed.description().endsWith(reason.contains(u"%1") ? reason.arg(folder.path())
                                                                       : reason),
                 qPrintable(failed.description()));
    }
    QCOMPARE(contents(old), QByteArray("alt\r\n"));
    QCOMPARE(contents(readOnly), QByteArray("alt\r\n"));
    struct stat status {};
    QVERIFY(::stat(QFile::encodeName(readOnly).constData(), &status) == 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0444));
    QCOMPARE(contents(folder.filePath("alt.csv")), QByteArray("alt\r\n"));
    QVERIFY(QFileInfo(folder.filePath("pipe")).exists() &&
            !QFileInfo(folder.filePath("pipe")).isFile());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{"alt.csv", "nurlesen.csv", "pipe"}));
}

void TestExport::refusalsHoldForAUserWithoutRootsRights()
{
    // Run as root, the refusals are tried once more as "nobody" (a folder
    // that user may not write), from a copy of this program that user may run.
    if (geteuid() != 0)
        QSKIP("this run has no root rights: the refusals were tried as they are");
    QTemporaryDir folder;
    const QString program = folder.filePath("tst_export");
    const QString temporary = folder.filePath("tmp");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QDir().mkdir(temporary));
    QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(program).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(temporary).constData(), 01777) == 0);
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temporary);
    environment.insert("HOME", temporary);
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", program,
                          "fileThatCannotBeWritten"});
    QVERIFY2(run.waitForFinished(120000), qPrintable(run.errorString()));
    const QByteArray output = run.readAll();
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, output.constData());
    QVERIFY2(!output.contains("SKIP"), output.constData());
    QVERIFY2(output.contains("PASS   : TestExport::fileThatCannotBeWritten(no permission)"),
             output.constData());
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
