#include "NotifyTest.h"

#include "common/Text1252.h"
#include "publish/DeliveryCurl.h"
#include "publish/NotifierMessages.h"

#include <QSysInfo>

#include <cstdio>

namespace orvane {

namespace {
void printOutcome(const QByteArray &channel, const DeliveryOutcome &outcome)
{
    if (outcome.result == DeliveryOutcome::Result::Delivered)
        std::printf("%s: delivered\n", channel.constData());
    else
        std::printf("%s: not delivered: %s\n", channel.constData(), outcome.reason.constData());
    std::fflush(stdout);
}
} // namespace

int runNotifyTest(const NotifySettings &settings, const QString &configFile)
{
    if (!settings.enabled()) {
        std::fprintf(stderr,
            "orvane-monitor: no notification is configured: set webhook-url or smtp-url in the "
            "[notify] section of %s\n",
            configFile.isEmpty() ? "a configuration file (--config FILE)" : qPrintable(configFile));
        return 1;
    }
    const QString host = QSysInfo::machineHostName();
    Notice notice;
    notice.event.kind = PlantEvent::Kind::Test;
    notice.event.timeMs = QDateTime::currentMSecsSinceEpoch();
    notice.event.text
        = toWindows1252(QStringLiteral("Test message from orvane-monitor on %1").arg(host));

    CurlDelivery curl;
    bool all = true;
    if (!settings.webhookUrl.isEmpty()) {
        const DeliveryOutcome outcome
            = curl.postJson(settings.webhookUrl, webhookJson(notice), settings.timing);
        printOutcome("Web hook " + urlOrigin(settings.webhookUrl), outcome);
        all = all && outcome.result == DeliveryOutcome::Result::Delivered;
    }
    if (!settings.smtpUrl.isEmpty()) {
        MailEnvelope envelope;
        envelope.from = settings.mailFrom;
        envelope.to = settings.mailTo;
        envelope.hostName = host;
        envelope.now = QDateTime::currentDateTime();
        const DeliveryOutcome outcome
            = curl.sendMail(settings, mailMessage(envelope, { notice }), settings.timing);
        printOutcome("E-mail " + urlOrigin(settings.smtpUrl) + " to "
                + settings.mailTo.join(QStringLiteral(", ")).toUtf8(),
            outcome);
        all = all && outcome.result == DeliveryOutcome::Result::Delivered;
    }
    return all ? 0 : 1;
}

} // namespace orvane
