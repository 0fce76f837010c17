// The M command lines, without a database: globals and routines come from a fake.

#include "MLine.h"
#include "ServerError.h"

#include <QtTest>

using namespace tolvan;

namespace {

class FakeEnvironment : public MEnvironment {
public:
    std::optional<QString> global(const QString &name, const QString &subscripts) override
    {
        const QString key = name + u'(' + subscripts + u')';
        if (!globals.contains(key))
            return std::nullopt;
        return globals.value(key);
    }
    bool runRoutine(const QString &name) override
    {
        routinesRun << name;
        return name == u"%XTT";
    }

    QHash<QString, QString> globals{{"FA(0)", "Handel GmbH`2026`EUR"},
                                    {"FA(1)", "Filiale"},
                                    {"X(\"a\"\"b\",1)", "quoted"},
                                    {"X(.5)", "half"}};
    QStringList routinesRun;
};

} // namespace

class TestMLine : public QObject {
    Q_OBJECT

private slots:
    void writesWhatTheLineComputes_data();
    void writesWhatTheLineComputes();
    void numbersAsMReadsThem_data();
    void numbersAsMReadsThem();
    void rejectsWhatItDoesNotKnow_data();
    void rejectsWhatItDoesNotKnow();
    void localsStayBetweenLines();
    void aLineWithASyntaxErrorRunsNothing_data();
    void aLineWithASyntaxErrorRunsNothing();
    void globalsAreReadOnly();
    void routines();
    void canonicalNumbersAndSubscripts();
    void hostileInputEndsInAnError();
    void deepLinesFitASmallStack();
};

void TestMLine::writesWhatTheLineComputes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("written");

    QTest::newRow("fiscal year") << "S P0=$P(^FA(0),\"`\",2) W P0"
                                 << "2026";
    QTest::newRow("identity command") << "S FIRMA=1,FIL=0,PERSONAL=\"DEMO\" W FIRMA,\"/\",PERSONAL"
                                      << "1/DEMO";
    QTest::newRow("commands written out, any case") << "set A=\"x\" write A Write \"y\""
                                                    << "xy";
    QTest::newRow("line breaks") << "W \"a\",!,\"b\",!!"
                                 << "a\r\nb\r\n\r\n";
    QTest::newRow("doubled quote") << "W \"sag \"\"hallo\"\"\""
                                   << "sag \"hallo\"";
    QTest::newRow("concatenation") << "S A=\"x\"_1_\"y\" W A_(\"(\"_A_\")\")"
                                   << "x1y(x1y)";
    QTest::newRow("canonical numbers") << "W 007,\",\",1.50,\",\",0.5,\",\",0"
                                       << "7,1.5,.5,0";
    QTest::newRow("piece ranges") << "W $P(\"a|b|c|d\",\"|\",2,3),\";\",$PIECE(\"a|b\",\"|\",5)"
                                  << "b|c;";
    QTest::newRow("piece from below 1")
        << "S x=\"a,b,c\" W $P(x,\",\",0,2),\";\",$P(x,\",\",0,0),\";\","
           "$P(x,\",\",-5,1),\";\",$P(x,\",\",-2,-1)"
        << "a,b;;a;";
    QTest::newRow("piece with long delimiter") << "W $P(\"a::b::c\",\"::\",3)"
                                               << "c";
    QTest::newRow("piece reads numbers M's way") << "W $P(\"a,b,c\",\",\",\"2abc\")"
                                                 << "b";
    QTest::newRow("piece, empty delimiter") << "W $P(\"abc\",\"\")"
                                            << "";
    QTest::newRow("get with default") << "W $G(NIX,\"leer\"),$G(^FA(9)),$GET(^FA(0))"
                                      << "leerHandel GmbH`2026`EUR";
    QTest::newRow("string subscripts")
        << "W ^X(\"a\"\"b\",1),^X(\".5\"),^X(0.50),$G(^X(\"0.5\"),\"-\")"
        << "quotedhalfhalf-";
    QTest::newRow("exponents") << "W 1E3,\",\",1.5E2,\",\",25E-1,\",\",.5E-1,\",\",0E9,\",\",2E+1"
                               << "1000,150,2.5,.05,0,20";
    QTest::newRow("unary signs")
        << "W -5,\",\",+\"12abc\",\",\",--3,\",\",-\"x\",\",\",-(\"-1E2\"),\",\",-0.50"
        << "-5,12,3,0,100,-.5";
    // Each parenthesis is a level, and so is the number inside: 64 in all.
    QTest::newRow("deepest nesting") << "W " + QString(63, u'(') + "1" + QString(63, u')') << "1";
    QTest::newRow("quit ends the line") << "W 1 Q  W 2"
                                        << "1";
    QTest::newRow("comment") << "W 1 ;W 2"
                             << "1";
    QTest::newRow("empty line") << ""
                                << "";
}

void TestMLine::writesWhatTheLineComputes()
{
    QFETCH(QString, line);
    QFETCH(QString, written);
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    try {
        QCOMPARE(runMLine(line, locals, environment), written);
    } catch (const ServerError &e) {
        QFAIL(qPrintable(e.description()));
    }
}

void TestMLine::numbersAsMReadsThem_data()
{
    // What the line writes, or the M error it raises ("<MAXNUMBER>", "<SYNTAX>").
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("result");

    const QString sixtyThreeZeros(63, u'0');
    // A trailing point ends a number.
    QTest::newRow("point: 1.") << "W 1."
                               << "1";
    QTest::newRow("point: subscript") << "W ^FA(0.)"
                                      << "Handel GmbH`2026`EUR";
    QTest::newRow("point: piece position") << "S x=\"a,b,c\" W $P(x,\",\",2.)"
                                           << "b";
    QTest::newRow("point: before an exponent") << "W 0.E-11,\",\",1.E2"
                                               << "0,100";
    QTest::newRow("point: in a text") << "W +\"3.\",\",\",+\"3.x\""
                                      << "3,3";
    QTest::newRow("point alone") << "W ."
                                 << "<SYNTAX>";
    // Only an upper-case E is an exponent.
    QTest::newRow("E: literal") << "W 1.5E2,\",\",2E+1,\",\",25E-1"
                                << "150,20,2.5";
    QTest::newRow("E: lower case in a text") << "W +\"1e1\""
                                             << "1";
    QTest::newRow("E: lower case in a literal") << "W 1e1"
                                                << "<SYNTAX>";
    QTest::newRow("E: in a text") << "W +\"1E1\",\",\",+\"-1E2x\""
                                  << "10,-100";
    // Piece positions are numbers with the same rules, cut to whole numbers.
    QTest::newRow("position: exponent in a text") << "W $P(\"a,b,c,d,e,f,g,h,i,j,k\",\",\",\"1E1\")"
                                                  << "j";
    QTest::newRow("position: fraction") << "W $P(\"a,b,c\",\",\",2.9)"
                                        << "b";
    QTest::newRow("position: range") << "W $P(\"a,b,c\",\",\",\"2E0\",\"3.\")"
                                     << "b,c";
    QTest::newRow("position: too large") << "W $P(\"a\",\",\",\"1E99\")"
                                         << "<MAXNUMBER>";
    // The bound: values of 1E64 and more are too large, in literals and texts alike.
    QTest::newRow("bound: largest") << "W 1E63"
                                    << "1" + sixtyThreeZeros;
    QTest::newRow("bound: largest negative") << "W -1E63"
                                             << "-1" + sixtyThreeZeros;
    QTest::newRow("bound: literal") << "W 1E64"
                                    << "<MAXNUMBER>";
    QTest::newRow("bound: text") << "W +\"1E64\""
                                 << "<MAXNUMBER>";
    QTest::newRow("bound: text, large exponent") << "W +\"1E500\""
                                                 << "<MAXNUMBER>";
    QTest::newRow("bound: digits") << "W " + QString(65, u'9') << "<MAXNUMBER>";
    QTest::newRow("bound: zero with a large exponent") << "W 0E999,\",\",+\"0E99999999\""
                                                       << "0,0";
    // Digits are kept up to the 64th place after the point; smaller values are 0.
    QTest::newRow("small: 64th place") << "W 1E-64"
                                       << "." + sixtyThreeZeros + "1";
    QTest::newRow("small: literal") << "W 1E-65,\",\",-1E-500"
                                    << "0,0";
    QTest::newRow("small: text") << "W +\"1E-500\",\",\",-\"1E-65\""
                                 << "0,0";
    QTest::newRow("small: digits kept") << "W 1234567890.1234567890123"
                                        << "1234567890.1234567890123";
    // Every minus sign before the number in a text turns its sign.
    QTest::newRow("signs: several in a text")
        << "W +\"--5\",\",\",-\"--5\",\",\",+\"-+-5\",\",\",-\"+-5\",\",\",+\"---5\",\",\",+\"--\""
        << "5,-5,5,5,-5,0";
    // Zero has no sign.
    QTest::newRow("zero: -0") << "W -0"
                              << "0";
    QTest::newRow("zero: +\"-0\"") << "W +\"-0\""
                                   << "0";
    QTest::newRow("zero: -\"-0\"") << "W -\"-0\""
                                   << "0";
    QTest::newRow("zero: -0.0E5") << "W -0.0E5,\",\",-\"-.0\""
                                  << "0,0";
}

void TestMLine::numbersAsMReadsThem()
{
    QFETCH(QString, line);
    QFETCH(QString, result);
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    try {
        QCOMPARE(runMLine(line, locals, environment), result);
    } catch (const ServerError &e) {
        QVERIFY2(result.startsWith(u'<') && e.description().startsWith(result),
                 qPrintable(e.description()));
    }
}

void TestMLine::rejectsWhatItDoesNotKnow_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown command") << "K ^FA"
                                     << "<COMMAND> an Position 1";
    QTest::newRow("xecute command") << "X \"W 1\""
                                    << "<COMMAND> an Position 1";
    QTest::newRow("unknown function") << "W $ZF(1)"
                                      << "<FUNCTION> an Position 3";
    QTest::newRow("undefined local") << "W 1,NIX"
                                     << "<UNDEFINED> an Position 5";
    QTest::newRow("undefined global") << "W ^FA(2)"
                                      << "<UNDEFINED> an Position 3";
    QTest::newRow("no routine") << "D ^NIX"
                                << "<NOROUTINE> an Position 3";
    QTest::newRow("label") << "D TAG^%XTT"
                           << "<NOLINE> an Position 3";
    QTest::newRow("unclosed quote") << "W \"abc"
                                    << "<SYNTAX> an Position 3";
    QTest::newRow("unclosed parenthesis") << "W (1_2"
                                          << "<SYNTAX> an Position 7";
    QTest::newRow("other operator") << "W 1+2"
                                    << "<SYNTAX> an Position 4";
    QTest::newRow("number too long") << "W 1E99"
                                     << "<MAXNUMBER> an Position 7";
    QTest::newRow("missing argument") << "S"
                                      << "<SYNTAX> an Position 2";
    QTest::newRow("postconditional") << "S:1 A=1"
                                     << "<SYNTAX> an Position 2";
    QTest::newRow("quit with argument") << "Q 1"
                                        << "<COMMAND> an Position 3";
    QTest::newRow("piece with one argument") << "W $P(\"a\")"
                                             << "<SYNTAX> an Position 3";
    QTest::newRow("nesting one level too deep")
        << "W " + QString(64, u'(') + "1" + QString(64, u')') << "<STACK> an Position 67";
    QTest::newRow("empty subscript") << "W ^FA(\"\")"
                                     << "<SUBSCRIPT> an Position 7";
    QTest::newRow("global set") << "S ^FA(0)=\"x\""
                                << "<PROTECT> an Position 3";
    // M evaluates every argument: the default also when the variable has a value.
    QTest::newRow("get: undefined default of a defined variable")
        << "S X=1 W $G(X,Y)" << "<UNDEFINED> an Position 14";
    QTest::newRow("get: undefined default of a global")
        << "W $G(^FA(0),NIX)" << "<UNDEFINED> an Position 13";
}

void TestMLine::rejectsWhatItDoesNotKnow()
{
    QFETCH(QString, line);
    QFETCH(QString, error);
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    try {
        runMLine(line, locals, environment);
        QFAIL("no error raised");
    } catch (const ServerError &e) {
        QCOMPARE(e.number(), qint32(ServerError::MError));
        QVERIFY2(e.description().startsWith(error), qPrintable(e.description()));
    }
}

void TestMLine::localsStayBetweenLines()
{
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    runMLine("S FIRMA=1,FIL=0,PERSONAL=\"DEMO\",A(1,\"x\")=5", locals, environment);
    QCOMPARE(runMLine("W FIRMA_FIL_PERSONAL,A(1,\"x\")", locals, environment), "10DEMO5");
    // A line that fails half-way keeps what it set before the error, as M does.
    QVERIFY_THROWS_EXCEPTION(ServerError, runMLine("S B=2 W NIX", locals, environment));
    QCOMPARE(locals.value("B"), "2");
}

void TestMLine::aLineWithASyntaxErrorRunsNothing_data()
{
    QTest::addColumn<QString>("line");

    QTest::newRow("after routines and a set") << "D ^%XTT,^%XTT,^%XTT S X=1 W 1)";
    QTest::newRow("after a write") << "S X=1 W X,!,\"a\" W $ZZ(1)";
    QTest::newRow("after quit") << "S X=1 D ^%XTT Q  W 1e1";
    QTest::newRow("too deep after a set") << "S X=1 W " + QString(100, u'(') + "1";
}

void TestMLine::aLineWithASyntaxErrorRunsNothing()
{
    // M reads the whole line before it runs any of it.
    QFETCH(QString, line);
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    QVERIFY_THROWS_EXCEPTION(ServerError, runMLine(line, locals, environment));
    QVERIFY(locals.isEmpty());
    QVERIFY(environment.routinesRun.isEmpty());
}

void TestMLine::globalsAreReadOnly()
{
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    const auto before = environment.globals;
    QVERIFY_THROWS_EXCEPTION(ServerError, runMLine("S A=1,^FA(0)=\"neu\"", locals, environment));
    QVERIFY_THROWS_EXCEPTION(ServerError, runMLine("S ^NEU=1", locals, environment));
    QCOMPARE(environment.globals, before);
}

void TestMLine::routines()
{
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    QCOMPARE(runMLine("D ^%XTT", locals, environment), "");
    QCOMPARE(runMLine("DO ^%XTT,^%XTT", locals, environment), "");
    QCOMPARE(environment.routinesRun, QStringList({"%XTT", "%XTT", "%XTT"}));
}

void TestMLine::canonicalNumbersAndSubscripts()
{
    QCOMPARE(canonicalNumber("000"), "0");
    QCOMPARE(canonicalNumber("12.000"), "12");
    QCOMPARE(canonicalNumber("012.340"), "12.34");
    QVERIFY(isCanonicalNumber("-.5"));
    QVERIFY(!isCanonicalNumber("0.5"));
    QVERIFY(!isCanonicalNumber("-0"));
    QVERIFY(!isCanonicalNumber("01"));
    QCOMPARE(encodeSubscript("10"), "10");
    QCOMPARE(encodeSubscript("010"), "\"010\"");
    QCOMPARE(encodeSubscript("a\"b"), "\"a\"\"b\"");
}

void TestMLine::hostileInputEndsInAnError()
{
    QHash<QString, QString> locals;
    FakeEnvironment environment;
    const auto rejects = [&](const QString &line, const char *code) {
        try {
            runMLine(line, locals, environment);
        } catch (const ServerError &e) {
            return e.description().startsWith(QLatin1String(code));
        }
        return false;
    };
    QVERIFY(rejects(QString(40000, u'W'), "<MAXSTRING>"));
    QVERIFY(rejects("W " + QString(5000, u'(') + "1" + QString(5000, u')'), "<STACK>"));
    QVERIFY(rejects("W " + QString(5000, u'('), "<STACK>"));
    QVERIFY(rejects("W \"" + QString(5000, u'"'), "<SYNTAX>"));
    // Long chains of signs and nested calls end in the same limit, not in a crash.
    QVERIFY(rejects("W " + QString(8000, u'-') + "1", "<STACK>"));
    QVERIFY(rejects("W " + QString(8000, u'+') + "\"1\"", "<STACK>"));
    QString pieces = "1";
    for (int i = 0; i < 3000; ++i)
        pieces = "$P(" + pieces + ",1)";
    QVERIFY(rejects("W " + pieces, "<STACK>"));
    QVERIFY(rejects("W $G(^X(" + QString(3000, u'-') + "1))", "<STACK>"));
    // Doubling a text until it passes the limit.
    QString line = "S A=\"" + QString(1000, u'x') + "\"";
    for (int i = 0; i < 6; ++i)
        line += " S A=A_A";
    QVERIFY(rejects(line, "<MAXSTRING>"));
    QVERIFY(rejects("S A=\"" + QString(20000, u'x') + "\" W A,A", "<MAXSTRING>"));
    // The limit counts characters: an emoji is one, though it takes two UTF-16 units.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString half = emoji.repeated(16384);
    QCOMPARE(runMLine("S E=\"" + half + "\" W E", locals, environment), half);
    QCOMPARE(runMLine("W E_\"" + emoji.repeated(32767 - 16384) + "\"", locals, environment),
             emoji.repeated(32767));
    QVERIFY(rejects("W E_E", "<MAXSTRING>"));
    QVERIFY(rejects("W \"" + emoji.repeated(32767) + "\"", "<MAXSTRING>"));
    QCOMPARE(runMLine("W $P(^FA(0),\"`\",2) ;\" ' -- DROP", locals, environment), "2026");
}

void TestMLine::deepLinesFitASmallStack()
{
    // 1 MiB, the stack of a Windows program's main thread: the nesting limit
    // ends the deepest lines before the stack does.
    QStringList errors;
    std::unique_ptr<QThread> thread(QThread::create([&errors] {
        QHash<QString, QString> locals;
        FakeEnvironment environment;
        QString pieces = "1";
        for (int i = 0; i < 3000; ++i)
            pieces = "$P(" + pieces + ",1)";
        for (const QString &line : {"W " + QString(16000, u'-') + "1", "W " + pieces,
                                    "W " + QString(10000, u'(') + "1" + QString(10000, u')')}) {
            try {
                runMLine(line, locals, environment);
                errors << "";
            } catch (const ServerError &e) {
                errors << e.description().section(u' ', 0, 0);
            }
        }
    }));
    thread->setStackSize(1 << 20);
    thread->start();
    QVERIFY(thread->wait());
    QCOMPARE(errors, QStringList({"<STACK>", "<STACK>", "<STACK>"}));
}

QTEST_GUILESS_MAIN(TestMLine)
#include "tst_mline.moc"
