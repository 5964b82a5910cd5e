#include "ProgramOptions.h"

#include "ConfigFile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace orvane {

namespace {
const char *const kMqttUrlProblem = "is not mqtt://host[:port] or mqtts://host[:port]";

// "mqtt://host[:port]" or "mqtts://host[:port]" into the settings; false when
// it is not one of those (credentials belong in username and password-file).
bool setBrokerUrl(const QString &text, MqttSettings *mqtt)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || url.host().isEmpty()
        || !url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != u"/")
        || url.hasQuery() || url.hasFragment())
        return false;
    mqtt->tls = scheme == u"mqtts";
    mqtt->host = url.host();
    mqtt->port = url.port(mqtt->tls ? 8883 : 1883);
    return mqtt->port > 0;
}

bool isMailAddress(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    if (at <= 0 || at != text.lastIndexOf(QLatin1Char('@')) || at == text.size() - 1)
        return false;
    for (const QChar c : text) {
        // Printable ASCII only: a header or an SMTP command carries it as is.
        if (c.unicode() <= 0x20 || c == u'<' || c == u'>' || c == u',' || c == u'"'
            || c.unicode() >= 0x7F)
            return false;
    }
    return true;
}

void readDevice(ConfigSection s, ProgramOptions *o)
{
    const QString driver = s.text("driver", o->driver.driver);
    if (driver != u"auto" && driver != u"d2xx" && driver != u"libftdi")
        s.fail("driver", QStringLiteral("\"%1\" is not auto, d2xx or libftdi").arg(driver));
    else
        o->driver.driver = driver;
    o->session.reconnect = s.flag("reconnect", o->session.reconnect);
}

void readDataService(ConfigSection s, ProgramOptions *o)
{
    o->session.dataPort = quint16(s.number("port", 0, 65535, o->session.dataPort));
}

void readMqtt(ConfigSection s, MqttSettings *m)
{
    if (s.has("url") && !setBrokerUrl(s.text("url"), m))
        s.fail(
            "url", QStringLiteral("\"%1\" ").arg(s.text("url")) + QLatin1String(kMqttUrlProblem));
    m->clientId = s.text("client-id");
    if (m->clientId.size() > 23 * 4)
        s.fail("client-id", QStringLiteral("longer than 92 characters"));
    m->username = s.text("username");
    m->password = s.secretFile("password-file");
    m->caFile = s.filePath("ca-file");
    m->certFile = s.filePath("cert-file");
    m->keyFile = s.filePath("key-file");
    if (m->certFile.isEmpty() != m->keyFile.isEmpty())
        s.fail(m->certFile.isEmpty() ? "cert-file" : "key-file",
            QStringLiteral("cert-file and key-file go together"));
    for (const char *key : { "ca-file", "cert-file", "key-file" }) {
        const QString path = s.filePath(key);
        if (!path.isEmpty() && !QFileInfo(path).isReadable())
            s.fail(key, QStringLiteral("\"%1\" cannot be read").arg(path));
    }
    m->topicPrefix = s.text("topic-prefix");
    while (m->topicPrefix.endsWith(QLatin1Char('/')))
        m->topicPrefix.chop(1);
    if (m->topicPrefix.contains(QLatin1Char('+')) || m->topicPrefix.contains(QLatin1Char('#'))
        || (s.has("topic-prefix") && m->topicPrefix.isEmpty()))
        s.fail("topic-prefix", QStringLiteral("must be a topic without + and #"));
    m->qos = s.number("qos", 0, 1, m->qos);
    m->keepaliveS = s.number("keepalive", 5, 65535, m->keepaliveS);
    m->discovery = s.flag("discovery", m->discovery);
    m->commands = s.flag("commands", m->commands);
}

void readNotify(ConfigSection s, NotifySettings *n)
{
    n->webhookUrl = s.text("webhook-url");
    if (!n->webhookUrl.isEmpty()) {
        const QUrl url(n->webhookUrl, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
            s.fail("webhook-url",
                QStringLiteral("\"%1\" is not an http:// or https:// address").arg(n->webhookUrl));
    }
    n->smtpUrl = s.text("smtp-url");
    if (!n->smtpUrl.isEmpty()) {
        const QUrl url(n->smtpUrl, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != u"smtp" && scheme != u"smtps") || url.host().isEmpty()
            || !url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != u"/"))
            s.fail("smtp-url",
                QStringLiteral("\"%1\" is not smtp://host[:port] or smtps://host[:port]")
                    .arg(n->smtpUrl));
    }
    n->smtpUsername = s.text("smtp-username");
    n->smtpPassword = s.secretFile("smtp-password-file");
    n->mailFrom = s.text("mail-from");
    n->mailTo = s.list("mail-to");
    if (!n->mailFrom.isEmpty() && !isMailAddress(n->mailFrom))
        s.fail("mail-from", QStringLiteral("\"%1\" is not a mail address").arg(n->mailFrom));
    for (const QString &to : std::as_const(n->mailTo)) {
        if (!isMailAddress(to))
            s.fail("mail-to", QStringLiteral("\"%1\" is not a mail address").arg(to));
    }
    if (!n->smtpUrl.isEmpty() && (n->mailFrom.isEmpty() || n->mailTo.isEmpty()))
        s.fail(n->mailFrom.isEmpty() ? "mail-from" : "mail-to",
            QStringLiteral("needed with smtp-url"));
    n->minIntervalS = s.number("min-interval", 0, 7 * 24 * 3600, n->minIntervalS);
    if (s.has("events")) {
        n->raised = n->cleared = n->interface = n->module = false;
        for (const QString &event : s.list("events")) {
            if (event == u"raised")
                n->raised = true;
            else if (event == u"cleared")
                n->cleared = true;
            else if (event == u"interface")
                n->interface = true;
            else if (event == u"module")
                n->module = true;
            else
                s.fail("events",
                    QStringLiteral("\"%1\" is not one of raised, cleared, interface, module")
                        .arg(event));
        }
    }
}
} // namespace

QString defaultConfigFile(bool headless)
{
    QString path;
    if (headless) {
        path = QStringLiteral("/etc/orvane-monitor/orvane-monitor.conf");
    } else {
        QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (base.isEmpty())
            base = qEnvironmentVariable("HOME") + QStringLiteral("/.config");
        path = base + QStringLiteral("/orvane-monitor/orvane-monitor.conf");
    }
    return QFileInfo::exists(path) ? path : QString();
}

bool readProgramOptions(const QStringList &arguments, ProgramOptions *o, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Monitors an Orvane wireless measurement network through its USB interface."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"), QStringLiteral("Run on the built-in simulated network."));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
        QStringLiteral("Run on the simulated network described by <file>."),
        QStringLiteral("file"));
    const QCommandLineOption driver(QStringLiteral("driver"),
        QStringLiteral("USB driver backend: auto, d2xx or libftdi (default auto)."),
        QStringLiteral("backend"));
    const QCommandLineOption headless(QStringLiteral("headless"),
        QStringLiteral("Run without a window: the event log, messages and alarms go to the "
                       "console; SIGTERM or SIGINT ends the run."));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("TCP port of the data service (default 5001)."), QStringLiteral("port"));
    const QCommandLineOption reconnect(QStringLiteral("reconnect"),
        QStringLiteral("After the interface is lost, wait for the same interface (same USB "
                       "serial number) and scan again when it is back (default with "
                       "--headless)."));
    const QCommandLineOption noReconnect(QStringLiteral("no-reconnect"),
        QStringLiteral("Do not wait for a lost interface: polling resumes only after a scan "
                       "(default in a window)."));
    const QCommandLineOption config(QStringLiteral("config"),
        QStringLiteral("Read the configuration from <file> (default: "
                       "~/.config/orvane-monitor/orvane-monitor.conf in a window, "
                       "/etc/orvane-monitor/orvane-monitor.conf with --headless, if it exists)."),
        QStringLiteral("file"));
    const QCommandLineOption mqtt(QStringLiteral("mqtt"),
        QStringLiteral("Publish to the MQTT broker at <url>: mqtt://host[:port] or "
                       "mqtts://host[:port]."),
        QStringLiteral("url"));
    const QCommandLineOption notifyTest(QStringLiteral("notify-test"),
        QStringLiteral("Send one test notification through every channel of the [notify] "
                       "configuration, print the outcome of each and exit (0: all delivered)."));
    parser.addOptions(
        { simulate, scenario, driver, headless, port, reconnect, noReconnect, config, mqtt });
    parser.addOption(notifyTest);
    parser.process(arguments);

    if (parser.isSet(reconnect) && parser.isSet(noReconnect)) {
        *error = QStringLiteral("--reconnect and --no-reconnect exclude each other");
        return false;
    }
    o->headless = parser.isSet(headless);
    o->notifyTest = parser.isSet(notifyTest);
    o->session.reconnect = o->headless;

    // The file first, then the command line over it.
    ConfigFile file;
    o->configFile = parser.isSet(config) ? parser.value(config) : defaultConfigFile(o->headless);
    if (!o->configFile.isEmpty() && !file.open(o->configFile, error))
        return false;
    readDevice(file.section("device"), o);
    readDataService(file.section("data-service"), o);
    readMqtt(file.section("mqtt"), &o->session.mqtt);
    readNotify(file.section("notify"), &o->session.notify);
    if (const QString problem = file.finish(); !problem.isEmpty()) {
        *error = problem;
        return false;
    }

    if (parser.isSet(port)) {
        bool ok = false;
        const uint number = parser.value(port).toUInt(&ok);
        if (!ok || number > 65535) {
            *error = QStringLiteral("invalid port \"%1\" (use 0 to 65535)").arg(parser.value(port));
            return false;
        }
        o->session.dataPort = quint16(number);
    }
    if (parser.isSet(reconnect) || parser.isSet(noReconnect))
        o->session.reconnect = parser.isSet(reconnect);
    if (parser.isSet(driver))
        o->driver.driver = parser.value(driver);
    o->driver.simulate = parser.isSet(simulate);
    o->driver.scenarioFile = parser.value(scenario);
    if (parser.isSet(mqtt) && !setBrokerUrl(parser.value(mqtt), &o->session.mqtt)) {
        *error = QStringLiteral("--mqtt \"%1\" ").arg(parser.value(mqtt))
            + QLatin1String(kMqttUrlProblem);
        return false;
    }
    return true;
}

} // namespace orvane
