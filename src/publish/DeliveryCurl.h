#pragma once

#include "publish/PublishSettings.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <limits>

namespace orvane {

// Milliseconds on the steady clock, the time base of deliveries.
qint64 deliveryClockMs();

struct DeliveryOutcome
{
    enum class Result {
        Delivered,
        Retry, // connection refused, time-out, HTTP 5xx, SMTP 4xx, ...: try again later
        Failed, // HTTP 4xx, SMTP 5xx, refused log-in, ...: trying again would not help
    };
    Result result = Result::Failed;
    // Why it failed, the same text for the same cause ("HTTP 500", "SMTP 550",
    // "Couldn't connect to server"); empty when delivered.
    QByteArray reason;
};

// Sends web-hook calls and e-mails with libcurl, one transfer at a time on
// the calling thread. Each transfer ends within the time-outs it is given,
// also when a server accepts the connection and never answers.
class CurlDelivery
{
public:
    CurlDelivery();
    ~CurlDelivery();
    CurlDelivery(const CurlDelivery &) = delete;
    CurlDelivery &operator=(const CurlDelivery &) = delete;

    // POSTs `json` with Content-Type application/json. 2xx is delivered;
    // 408, 429 and 5xx are worth a retry, other answers are not.
    DeliveryOutcome postJson(
        const QString &url, const QByteArray &json, const NotifyTiming &timing);
    // Sends `message` (RFC 5322, CR LF lines) through settings.smtpUrl to
    // every address of settings.mailTo; delivered when the server took it for
    // at least one of them. smtp:// uses STARTTLS when the server offers it,
    // and insists on it when a password would otherwise cross the network
    // in clear text.
    DeliveryOutcome sendMail(
        const NotifySettings &settings, const QByteArray &message, const NotifyTiming &timing);

    // From any thread: the transfer running now, and any later one, ends by
    // `steadyMs` (deliveryClockMs) at the latest.
    void cutOffAt(qint64 steadyMs);

private:
    // Runs `easy` to its end; the curl code, and the server's last response
    // code in *response.
    int perform(void *easy, const NotifyTiming &timing, long *response);

    void *m_multi = nullptr; // CURLM
    std::atomic<qint64> m_cutOffMs { std::numeric_limits<qint64>::max() };
};

} // namespace orvane
