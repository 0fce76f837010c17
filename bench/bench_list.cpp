// Appends row texts one by one to the stock list control on a shown window,
// then clears it; and the same with a QTreeWidget holding one item per row,
// the naive way, as the reference. Prints times and memory.
//
//   QT_QPA_PLATFORM=offscreen bench_list [--rows N]...   (default 100000 and 1000000)

#include "ReportList.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTreeWidget>
#include <cstdio>
#include <malloc.h>
#include <vector>

using namespace tolvan;

namespace {

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

struct Figures {
    double append;
    double clear;
    double megabytes;
};

template <typename Append, typename Clear>
Figures measure(QWidget &window, const std::vector<QString> &rows, Append append, Clear clear)
{
    malloc_trim(0);
    const qint64 before = residentKilobytes();
    QElapsedTimer timer;
    timer.start();
    for (const QString &row : rows)
        append(row);
    QCoreApplication::processEvents(); // the view takes the new rows
    window.repaint();
    const double appendTime = seconds(timer);
    const double megabytes = double(residentKilobytes() - before) / 1024.0;
    timer.restart();
    clear();
    QCoreApplication::processEvents();
    window.repaint();
    const double clearTime = seconds(timer);
    return {appendTime, clearTime, megabytes};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption rowsOption(QStringLiteral("rows"),
                                        QStringLiteral("rows to append (may be repeated)"),
                                        QStringLiteral("n"));
    parser.addOption(rowsOption);
    parser.addHelpOption();
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "unexpected argument %s; see --help\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 2;
    }
    QList<qint64> counts;
    for (const QString &value : parser.values(rowsOption)) {
        bool number = false;
        const qint64 count = value.toLongLong(&number);
        if (!number || count < 1) {
            std::fprintf(stderr, "--rows needs a whole number of at least 1, not %s\n",
                         qPrintable(value));
            return 2;
        }
        counts << count;
    }
    if (counts.isEmpty())
        counts = {100'000, 1'000'000};

    for (const qint64 count : counts) {
        std::vector<QString> rows;
        rows.reserve(std::size_t(count));
        qint64 textBytes = 0;
        for (qint64 i = 1; i <= count; ++i) {
            rows.push_back(QStringLiteral("999-%1\nTestartikel %2 Größe M\n2%3\n%4")
                               .arg(i, 7, 10, QLatin1Char('0'))
                               .arg(i)
                               .arg(i, 12, 10, QLatin1Char('0'))
                               .arg(i % 100));
            textBytes += rows.back().size() * 2;
        }
        const double textMegabytes = double(textBytes) / 1024.0 / 1024.0;

        QWidget window;
        window.resize(569, 439);
        auto *list = new ReportList(&window);
        list->setGeometry(58, 103, 479, 331);
        window.show();
        const Figures ours = measure(
            window, rows, [&](const QString &row) { list->addRow(row); }, [&] { list->clear(); });
        delete list;

        auto *tree = new QTreeWidget(&window);
        tree->setColumnCount(4);
        tree->setUniformRowHeights(true);
        tree->setGeometry(58, 103, 479, 331);
        tree->show();
        const Figures naive = measure(
            window, rows, [&](const QString &row) { new QTreeWidgetItem(tree, row.split(u'\n')); },
            [&] { tree->clear(); });

        std::printf("%lld rows, row texts %.1f MB (UTF-16)\n", static_cast<long long>(count),
                    textMegabytes);
        std::printf(
            "  list control: append %.3f s, clear %.3f s, memory %.1f MB (%.2f x the texts)\n",
            ours.append, ours.clear, ours.megabytes, ours.megabytes / textMegabytes);
        std::printf(
            "  QTreeWidget:  append %.3f s, clear %.3f s, memory %.1f MB (%.2f x the texts)\n",
            naive.append, naive.clear, naive.megabytes, naive.megabytes / textMegabytes);
        std::printf("  ratio QTreeWidget / list control: append %.1f, clear %.1f, memory %.1f\n",
                    naive.append / ours.append, naive.clear / ours.clear,
                    naive.megabytes / ours.megabytes);
    }
    return 0;
}
