// A transaction on the embedded database takes the write lock when it begins:
// another connection cannot commit between its read and its write, so its
// write never fails with "database is locked" (SQLITE_BUSY). Two connections
// in a fixed order instead of a race; the other one waits for nothing.

#include "Engine.h"
#include "ServerError.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace tolvan;

class TestTransaction : public QObject {
    Q_OBJECT

private slots:
    void noWriterComesBetweenReadAndWrite();
};

void TestTransaction::noWriterComesBetweenReadAndWrite()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("tolvan.db");
    std::unique_ptr<Engine> program = openSqlite(path, true);
    program->execScript("PRAGMA journal_mode = WAL; CREATE TABLE t (n INTEGER)");

    // The other writer gives up at once instead of waiting for the lock.
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    const auto closeOther = qScopeGuard([other] { sqlite3_close(other); });
    sqlite3_busy_timeout(other, 0);

    {
        Transaction transaction(*program);
        QCOMPARE(program->scalar("SELECT count(*) FROM t"), "0"); // A reads
        // B tries to commit a write meanwhile: it must find the lock taken.
        QCOMPARE(sqlite3_exec(other, "INSERT INTO t VALUES (2)", nullptr, nullptr, nullptr),
                 SQLITE_BUSY);
        try {
            program->exec("INSERT INTO t VALUES (1)"); // A writes after its read
            transaction.commit();
        } catch (const ServerError &error) {
            QFAIL(qPrintable(error.description()));
        }
    }
    // Once A has committed, B writes.
    QCOMPARE(sqlite3_exec(other, "INSERT INTO t VALUES (2)", nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(program->scalar("SELECT group_concat(n) FROM (SELECT n FROM t ORDER BY n)"), "1,2");
}

QTEST_GUILESS_MAIN(TestTransaction)
#include "tst_transaction.moc"
