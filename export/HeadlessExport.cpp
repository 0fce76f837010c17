#include "HeadlessExport.h"

#include "Connecting.h"
#include "ConnectString.h"
#include "ConnectionSettings.h"
#include "ExportFile.h"
#include "Guard.h"
#include "IniSettingsStore.h"
#include "Login.h"
#include "LoginForms.h"
#include "MessageBoxes.h"
#include "ServerError.h"
#include "Session.h"
#include "StockQuery.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>
#include <optional>
#include <variant>

namespace tolvan::headless {
namespace {

const QString Help = QStringLiteral(
    "Aufruf: tolvan-dravonik-export --export DATEI --supplier NUMMER --location TEXT\n"
    "                              [FIRMA FILIALE PERSONALCODE PASSWORT SERVER PORT NAMESPACE WJ]\n"
    "\n"
    "Schreibt die Exportdatei eines Lieferanten ohne Fenster, etwa für einen\n"
    "nächtlichen Lauf: dieselbe Anmeldung, dieselbe Abfrage, dieselben Bytes wie\n"
    "\"Datei erzeugen\" im Programmfenster.\n"
    "\n"
    "Optionen:\n"
    "  --export DATEI      die zu schreibende Datei; eine vorhandene wird erst\n"
    "                      ersetzt, wenn die neue vollständig ist\n"
    "  --supplier NUMMER   die Lieferantennummer\n"
    "  --location TEXT     der Lagerort, der in jeder Zeile steht\n"
    "  --wait MINUTEN      so lange wird ein Server abgewartet, der keine freie\n"
    "                      Verbindung hat (Vorgabe 15; 0: drei Versuche und drei\n"
    "                      weitere wie im Programmfenster)\n"
    "  -h, --help          zeigt diese Hilfe\n"
    "\n"
    "Anmeldefelder: wie auf der Befehlszeile des Programms, durch Leerzeichen\n"
    "getrennt; das erste muss eine Zahl sein. Ohne sie gilt die gespeicherte\n"
    "Anmeldung des Benutzers, mit dem Passwort aus der Umgebungsvariablen\n"
    "TOLVAN_PASSWORD, wenn sie gesetzt ist; ein Dialog erscheint nie. Ein leeres\n"
    "oder fehlendes Passwortfeld wird ebenfalls aus TOLVAN_PASSWORD genommen: auf\n"
    "der Befehlszeile können andere Benutzer des Rechners das Passwort sehen. Ein\n"
    "Feld, das mit - beginnt, steht nach --, das die Optionen beendet:\n"
    "  tolvan-dravonik-export --export DATEI --supplier 100 --location L -- 1 0 DEMO -x\n"
    "\n"
    "Server: eine leere Adresse ist die eingebettete Datenbank, jede andere ein\n"
    "PostgreSQL-Server oder, wo der Client des Objektservers installiert ist\n"
    "(Windows), dieser. TOLVAN_SERVER=objectserver oder TOLVAN_SERVER=postgres\n"
    "legt das fest.\n"
    "\n"
    "Meldungen erscheinen auf der Standardfehlerausgabe.\n"
    "Rückgabewerte: 0 geschrieben, 1 unerwarteter Fehler, 2 falscher Aufruf,\n"
    "3 Anmeldung abgelehnt, 4 Lieferant unbekannt, 5 Server nicht erreichbar\n"
    "oder Serverfehler, 6 Datei nicht geschrieben, 7 Filiale unbekannt. Außer bei 0\n"
    "bleibt eine vorhandene Datei unverändert.\n");

// How long a server without a free connection is waited for by default.
constexpr int DefaultWaitMinutes = 15;
constexpr int LongestWaitMinutes = 24 * 60;

// Every message on the stream, title first, as the window would show it.
class StreamMessages : public MessageBoxes {
public:
    explicit StreamMessages(QTextStream &stream) : m_stream(stream) {}
    MessageAnswer show(const QString &title, const QString &text, MessageIcon,
                       MessageButtons buttons) override
    {
        QString lines = text;
        lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (lines.endsWith(u'\n'))
            lines.chop(1);
        m_stream << title << ": " << lines << Qt::endl;
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }

private:
    QTextStream &m_stream;
};

// The dialogs' fields without windows. The server settings are never shown:
// the second series of attempts follows the first at once. Login data that
// would need the login dialog end the run.
class FieldForm : public Form {
public:
    explicit FieldForm(std::function<void()> onShow) : m_onShow(std::move(onShow)) {}
    QString text(const QString &field) override { return m_fields.value(field); }
    void setText(const QString &field, const QString &text) override { m_fields[field] = text; }
    void selectAll(const QString &) override {}
    void showModal() override { m_onShow(); }
    void hide() override {}
    bool isVisible() override { return false; }

private:
    QHash<QString, QString> m_fields;
    std::function<void()> m_onShow;
};

class WindowlessForms : public LoginForms {
public:
    explicit WindowlessForms(QTextStream &messages)
        : m_login([&messages] {
              messages << "Anmeldung an Caché: Personalcode oder Passwort fehlt. Bitte "
                          "Anmeldefelder angeben oder die Anmeldung im Programm speichern."
                       << Qt::endl;
              guard::end(LoginRefused);
          }),
          m_server([] {}), m_messages(messages)
    {
    }
    Form &login() override { return m_login; }
    Form &server() override { return m_server; }
    void startIdleTimer() override {}
    void stopIdleTimer() override {}
    void quit(int) override
    {
        session().UserIdent.clear();
        // (a database that is not set up was the message itself)
        if (session().Factory && !session().Factory->lastConnectNeedsSetUp() &&
            !session().Factory->lastConnectError().isEmpty())
            m_messages << "Ursache: " << session().Factory->lastConnectError() << Qt::endl;
        UnloadAllForms(ServerUnreachable);
    }
    void unloadAll() override {}

private:
    FieldForm m_login;
    FieldForm m_server;
    QTextStream &m_messages;
};

struct Request {
    QString file, supplier, location, loginFields;
    int waitMinutes = DefaultWaitMinutes;
};

// The request, or the message why the call is wrong.
std::variant<Request, QString> parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption exportOption(QStringLiteral("export"), QString(),
                                          QStringLiteral("DATEI"));
    const QCommandLineOption supplierOption(QStringLiteral("supplier"), QString(),
                                            QStringLiteral("NUMMER"));
    const QCommandLineOption locationOption(QStringLiteral("location"), QString(),
                                            QStringLiteral("TEXT"));
    const QCommandLineOption waitOption(QStringLiteral("wait"), QString(),
                                        QStringLiteral("MINUTEN"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({exportOption, supplierOption, locationOption, waitOption, helpOption});
    // A blank at the end of the call (a scheduled task's arguments, a batch
    // line) is no field: on Windows it arrives as an empty last argument.
    static const QRegularExpression valueOption(
        QRegularExpression::anchoredPattern(QStringLiteral("--?(export|supplier|location|wait)")));
    QStringList given = arguments;
    while (!given.isEmpty() && given.last().isEmpty() &&
           !(given.size() > 1 && valueOption.match(given[given.size() - 2]).hasMatch()))
        given.removeLast();
    if (!parser.parse(QStringList{QStringLiteral("tolvan-dravonik-export")} + given)) {
        if (!parser.unknownOptionNames().isEmpty())
            return QStringLiteral("Unbekannte Option: %1")
                .arg(parser.unknownOptionNames().join(QStringLiteral(", ")));
        return QStringLiteral("Einer Option fehlt ihr Wert.");
    }
    if (parser.isSet(helpOption))
        return QString();
    Request request{parser.value(exportOption), parser.value(supplierOption),
                    parser.value(locationOption), QString()};
    if (request.file.isEmpty())
        return QStringLiteral("--export DATEI fehlt.");
    if (request.supplier.isEmpty())
        return QStringLiteral("--supplier NUMMER fehlt.");
    if (request.location.isEmpty())
        return QStringLiteral("--location TEXT fehlt.");
    // The window's field holds one line; here a line break would split an
    // export line in two.
    if (request.location.contains(u'\n') || request.location.contains(u'\r'))
        return QStringLiteral("Der Lagerort darf keinen Zeilenumbruch enthalten.");
    if (parser.isSet(waitOption)) {
        static const QRegularExpression minutes(
            QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,4}")));
        const QString wait = parser.value(waitOption);
        if (!minutes.match(wait).hasMatch() || wait.toInt() > LongestWaitMinutes)
            return QStringLiteral("--wait erwartet Minuten von 0 bis %1, nicht „%2“.")
                .arg(LongestWaitMinutes)
                .arg(wait);
        request.waitMinutes = wait.toInt();
    }

    QStringList fields = parser.positionalArguments();
    if (fields.isEmpty()) // the stored login
        return request;
    if (fields.size() > 8)
        return QStringLiteral("Höchstens acht Anmeldefelder: Firma, Filiale, Personalcode, "
                              "Passwort, Server, Port, Namespace, WJ.");
    const QString password = qEnvironmentVariable("TOLVAN_PASSWORD");
    while (fields.size() < 4)
        fields << QString();
    if (fields[3].isEmpty())
        fields[3] = password;
    for (const QString &field : fields) {
        if (field.contains(u' '))
            return QStringLiteral("Ein Anmeldefeld darf keine Leerzeichen enthalten.");
    }
    request.loginFields = fields.join(u' ');
    if (!commandLineHasLogin(request.loginFields))
        return QStringLiteral("Das erste Anmeldefeld, die Firma, muss eine Zahl sein.");
    return request;
}

// Why the connection data cannot name a server, or nothing. A window would
// try them for 40 s; a scheduled run is told at once.
QString wrongConnectionData()
{
    static const QRegularExpression digits(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,5}")));
    const auto [address, port] = nextServerAndPort();
    if (!digits.match(port).hasMatch() || port.toInt() < 1 || port.toInt() > 65535)
        return QStringLiteral("Der Port „%1“ ist keine Zahl von 1 bis 65535.").arg(port);
    if (!parseConnectString(connectStringFor(address, port)))
        return QStringLiteral("Die Serveradresse „%1“ ist ungültig.").arg(address);
    return QString();
}

int exportFor(const Request &request, QTextStream &messages)
{
    Session &state = session();
    setProgramCommandLine(request.loginFields);
    state.CommandLine = request.loginFields;
    state.KeepTypedPassword = false;
    state.LoginFailed = false;
    state.BusyServerPatience = qint64(request.waitMinutes) * 60'000;
    // A scheduled run may keep the password beside its other data instead of
    // in the stored login; fields on the command line take it by themselves.
    state.PasswordInstead =
        request.loginFields.isEmpty() ? qEnvironmentVariable("TOLVAN_PASSWORD") : QString();
    if (const QString wrong = wrongConnectionData(); !wrong.isEmpty()) {
        messages << wrong << Qt::endl;
        return WrongUsage;
    }
    // Only a refusal of the login data is a refused login; a server that
    // failed or went away meanwhile is one that could not be reached.
    if (!CacheLogin())
        return isServerTrouble(state.LoginError) ? ServerUnreachable : LoginRefused;
    // A scheduled run must not report an empty file as success for a branch
    // that was mistyped: the window's list of it would be empty.
    if (branchKnown() == false) {
        showMessage(QStringLiteral("TOLVAN Dravonik-Export"),
                    QStringLiteral("Filiale %1 ist in Firma %2 nicht gespeichert")
                        .arg(state.Branch, state.Firm),
                    MessageIcon::Information, MessageButtons::Ok);
        return BranchUnknown;
    }
    if (supplierName(request.supplier).isEmpty()) {
        showMessage(QStringLiteral("TOLVAN Dravonik-Export"),
                    QStringLiteral("Lieferant nicht gespeichert"), MessageIcon::Information,
                    MessageButtons::Ok);
        return SupplierUnknown;
    }
    // The rows go from the result set straight into the file, without a list;
    // the file is created once the query has answered, as the window's export
    // comes after its list.
    std::optional<ExportFile> file;
    qsizetype rows = 0;
    qsizetype lines = 0;
    try {
        rows = fetchStockList(
            request.supplier, [&] { file.emplace(request.file, request.location); },
            [&file](const StockRow &row) {
                if (row.isUtf8)
                    file->addUtf8(row.utf8);
                else
                    file->add(row.text);
            },
            StockFields::ForExport);
        lines = file->commit();
    } catch (const ExportFailed &failed) {
        showMessage(QStringLiteral("TOLVAN Dravonik-Export"), failed.description(),
                    MessageIcon::Exclamation, MessageButtons::Ok);
        return NotWritten;
    }
    CloseConnection();
    messages << rows << " Artikel gelistet, " << lines
             << " Zeilen geschrieben: " << QDir::toNativeSeparators(request.file) << Qt::endl;
    return Written;
}

} // namespace

bool isRequested(const QStringList &arguments)
{
    // Only this mode's own options: a login field such as "--x" or one of Qt's
    // own options still starts the window.
    static const QStringList options{QStringLiteral("--export"), QStringLiteral("--supplier"),
                                     QStringLiteral("--location"), QStringLiteral("--wait"),
                                     QStringLiteral("--help"),
                                     QStringLiteral("-h")};
    for (const QString &argument : arguments) {
        if (options.contains(argument.section(u'=', 0, 0)))
            return true;
    }
    return false;
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &messages)
{
    const auto parsed = parse(arguments);
    if (const QString *problem = std::get_if<QString>(&parsed)) {
        if (problem->isEmpty()) {
            out << Help;
            out.flush();
            return Written;
        }
        messages << *problem << "\nHilfe: tolvan-dravonik-export --help" << Qt::endl;
        return WrongUsage;
    }
    // No event loop runs: ending the program only sets the status.
    guard::setEnder([](int) {});
    session() = Session();
    StreamMessages messageBoxes(messages);
    MessageBoxes::install(&messageBoxes);
    WindowlessForms forms(messages);
    LoginForms::install(&forms);
    int status = Failed;
    guard::run([&] {
        try {
            status = exportFor(std::get<Request>(parsed), messages);
        } catch (const ServerError &error) {
            guard::fail(error, ServerUnreachable); // reported as the window would
        }
    });
    if (guard::hasEnded())
        status = guard::exitStatus();
    LoginForms::install(nullptr);
    MessageBoxes::install(nullptr);
    messages.flush();
    return status;
}

} // namespace tolvan::headless
