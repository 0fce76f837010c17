// Times the main job with a supplier of many articles, each next to the
// engine's own shell writing the same "location,EAN,quantity" CSV in the same run:
//   (a) the window's refresh: the stock query into the list of a shown window;
//   (b) the window's export of that list to a file;
//   (c) the export without a window, from process start to exit, which streams
//       the rows into the file without a list.
//
//   bench_export [--articles N] [--server HOST --port PORT [--force]]
//
// SQLite: a temporary database. PostgreSQL: the program always asks for the
// database "tolvan"; it is created and loaded only when it holds no TOLVAN
// schema yet, or with --force. Both are analysed after loading, as tolvan-db
// demo does; the plan without statistics is bench_liste's.

#include "BenchSupport.h"
#include "Connecting.h"
#include "DemoData.h"
#include "Engine.h"
#include "FakeMessageBoxes.h"
#include "IniSettingsStore.h"
#include "MainWindow.h"
#include "ProgramTest.h"
#include "ReportList.h"
#include "SaveDialog.h"
#include "Schema.h"
#include "Session.h"
#include "Target.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tolvan;

namespace {

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

const QString Location = QStringLiteral("Regal 7");

QString shellQuery()
{
    return QStringLiteral(
               "SELECT '%1', a.ean, COALESCE(s.quantity, 0) FROM article a LEFT JOIN stock s "
               "ON s.firm = a.firm AND s.branch = '0' AND s.article_no = a.article_no "
               "WHERE a.firm = '1' AND a.supplier_no = '999' AND a.ean <> '' ORDER BY a.article_no")
        .arg(Location);
}

double shell(const Target &target, const QString &file)
{
    return shellSeconds(target, shellQuery(), file);
}

class AnswerSave : public SaveDialog {
public:
    QString path;
    QString showSave(const SaveRequest &) override { return path; }
};

struct WindowRun {
    double refresh, exported;
    qint64 rows, listKilobytes, textKilobytes;
};

WindowRun window(const QString &commandLine, const QString &file)
{
    session() = Session();
    setProgramCommandLine(commandLine);
    AnswerSave save;
    save.path = file;
    MainWindow main;
    main.setSaveDialog(&save);
    guard::run([&main] { main.Form_Load(); });
    main.show();
    QCoreApplication::processEvents();
    main.findChild<QLineEdit *>(QStringLiteral("TxLnr"))->setText(QStringLiteral("999"));
    main.findChild<QLineEdit *>(QStringLiteral("TxLagerort"))->setText(Location);
    auto *list = main.findChild<ReportList *>(QStringLiteral("liste"));

    const qint64 before = statusKilobytes("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    main.findChild<QPushButton *>(QStringLiteral("BUAkt"))->click();
    QCoreApplication::processEvents(); // the rows reach the view
    WindowRun run{seconds(timer), 0, list->rowCount(), statusKilobytes("VmRSS:") - before, 0};
    qint64 characters = 0;
    for (int row = 0; row < list->rowCount(); ++row)
        characters += list->rowText(row).size();
    run.textKilobytes = characters * 2 / 1024;

    timer.restart();
    main.findChild<QPushButton *>(QStringLiteral("BUDatei"))->click();
    run.exported = seconds(timer);
    CloseConnection();
    main.hide();
    return run;
}

struct HeadlessRun {
    double seconds;
    qint64 peakKilobytes;
};

// The peak is read from the running process: the rusage of a child counts the
// pages of this (large) process that it shared until its exec.
HeadlessRun headlessRun(const QString &program, const QStringList &loginFields, const QString &file)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program,
                  QStringList{QStringLiteral("--export"), file, QStringLiteral("--supplier"),
                              QStringLiteral("999"), QStringLiteral("--location"), Location} +
                      loginFields);
    qint64 peak = 0;
    while (!process.waitForFinished(20) && timer.elapsed() < 600000)
        peak = std::max(peak, statusKilobytes("VmHWM:", process.processId()));
    if (process.state() != QProcess::NotRunning || process.exitCode() != 0)
        qFatal("the export failed: %s", process.readAllStandardError().constData());
    return {seconds(timer), peak};
}

bool prepare(const Target &target, qint64 articles, bool force)
{
    auto engine = target.open(true);
    if (schema::exists(*engine)) {
        if (target.isServer() && !force) {
            std::fprintf(stderr, "%s already holds a TOLVAN schema; --force replaces it\n",
                         qPrintable(target.describe()));
            return false;
        }
        schema::drop(*engine);
    }
    std::printf("creating %lld articles in %s ...\n", static_cast<long long>(articles),
                qPrintable(target.describe()));
    std::fflush(stdout);
    schema::create(*engine);
    loadDemoData(*engine, articles, [](const QString &) {});
    // As tolvan-db demo leaves it: with statistics, so that neither the shell's
    // plan nor ours depends on whether autovacuum has come by yet.
    schema::analyze(*engine);
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    prepareApplication(app);
    QCommandLineParser parser;
    const QCommandLineOption articles(QStringLiteral("articles"), QStringLiteral("articles"),
                                      QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("host"),
                                    QStringLiteral("host"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("port"),
                                  QStringLiteral("port"), QStringLiteral("5432"));
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("replace tolvan"));
    const QCommandLineOption repeat(QStringLiteral("repeat"), QStringLiteral("runs of each"),
                                    QStringLiteral("n"), QStringLiteral("3"));
    parser.addOptions({articles, server, port, force, repeat});
    parser.addHelpOption();
    parser.process(app);

    QTemporaryDir dir;
    Target target;
    target.file = dir.filePath(QStringLiteral("bench.db"));
    target.server = parser.value(server);
    target.port = parser.value(port).toInt();
    const qint64 count = parser.value(articles).toLongLong();
    if (!prepare(target, count, parser.isSet(force)))
        return 2;
    qputenv("TOLVAN_DATABASE", target.file.toLocal8Bit());
    QStringList loginFields{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("DEMO"),
                            QStringLiteral("demo")};
    if (target.isServer())
        loginFields << target.server << QString::number(target.port);

    FakeMessageBoxes messages;
    testing::ProgramServices services;
    const QString shellFile = dir.filePath(QStringLiteral("shell.csv"));
    const QString windowFile = dir.filePath(QStringLiteral("window.csv"));
    const QString headlessFile = dir.filePath(QStringLiteral("headless.csv"));
    shell(target, shellFile); // warm the page cache for all

    // Each run of the program sits between two runs of the shell, and is also
    // compared with its neighbour: on a machine whose speed changes from one
    // second to the next, the median of these ratios is steadier than the
    // ratio of the bests.
    double bestRefresh = 1e9, bestExport = 1e9, bestHeadless = 1e9, bestShell = 1e9;
    std::vector<double> refreshRatios, headlessRatios;
    WindowRun last{};
    qint64 headlessPeak = 0;
    for (int i = 0; i < parser.value(repeat).toInt(); ++i) {
        const double shellBefore = shell(target, shellFile);
        last = window(loginFields.join(u' '), windowFile);
        bestRefresh = std::min(bestRefresh, last.refresh);
        bestExport = std::min(bestExport, last.exported);
        const HeadlessRun headless =
            headlessRun(QStringLiteral(TOLVAN_PROGRAM), loginFields, headlessFile);
        bestHeadless = std::min(bestHeadless, headless.seconds);
        headlessPeak = std::max(headlessPeak, headless.peakKilobytes);
        const double shellAfter = shell(target, shellFile);
        bestShell = std::min({bestShell, shellBefore, shellAfter});
        refreshRatios.push_back(last.refresh / shellBefore);
        headlessRatios.push_back(headless.seconds / shellAfter);
    }
    const bool same = contents(windowFile) == contents(headlessFile);
    std::printf("the main job, supplier with %lld articles, %s (best of %d; median of the "
                "run-by-run ratios)\n",
                static_cast<long long>(last.rows), target.isServer() ? "PostgreSQL" : "SQLite",
                parser.value(repeat).toInt());
    std::printf("  %s writing location,EAN,quantity CSV:  %.3f s\n",
                target.isServer() ? "psql \\copy" : "sqlite3   ", bestShell);
    std::printf("  (a) window refresh, query and list:        %.3f s  ratio %.2f, median %.2f "
                "(goal <= 1.2)\n",
                bestRefresh, bestRefresh / bestShell, median(refreshRatios));
    std::printf("  (b) window export of the list:             %.3f s  ratio %.2f (goal <= 0.25)\n",
                bestExport, bestExport / bestShell);
    std::printf("  (c) export without window, whole process:  %.3f s  ratio %.2f, median %.2f "
                "(goal <= 1.0)\n",
                bestHeadless, bestHeadless / bestShell, median(headlessRatios));
    std::printf(
        "  list memory %.1f MB for %.1f MB of row texts (UTF-16): ratio %.2f (goal < 1.5)\n",
        double(last.listKilobytes) / 1024, double(last.textKilobytes) / 1024,
        double(last.listKilobytes) / double(std::max<qint64>(1, last.textKilobytes)));
    std::printf(
        "  peak memory of the process without window: %.1f MB (goal < 40 for 1000000 rows)\n",
        double(headlessPeak) / 1024);
    std::printf("  peak memory of this process (window): %.1f MB\n",
                double(statusKilobytes("VmHWM:")) / 1024);
    std::printf("  window and headless files identical: %s (%lld bytes)\n", same ? "yes" : "NO",
                static_cast<long long>(contents(windowFile).size()));
    return same && last.rows == count + 0 ? 0 : 1;
}
