#include "DeliveryCurl.h"

#include "OrvaneVersion.h"

#include <QHostAddress>
#include <QUrl>

#include <curl/curl.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

namespace orvane {

namespace {
struct EasyDeleter
{
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using ListPtr = std::unique_ptr<curl_slist, ListDeleter>;

curl_slist *append(curl_slist *list, const QByteArray &item)
{
    curl_slist *longer = curl_slist_append(list, item.constData());
    return longer ? longer : list;
}

// Server answers are not kept: nothing a server sends can grow memory.
size_t discard(char *, size_t size, size_t count, void *)
{
    return size * count;
}

struct Upload
{
    const QByteArray *data;
    qsizetype position = 0;
};

size_t readUpload(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const size_t n
        = std::min<size_t>(size * count, size_t(upload->data->size() - upload->position));
    std::memcpy(buffer, upload->data->constData() + upload->position, n);
    upload->position += qsizetype(n);
    return n;
}

// Failures of the network or of a server that may be over soon.
bool isPassing(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_WEIRD_SERVER_REPLY:
        return true;
    default:
        return false;
    }
}

DeliveryOutcome curlFailure(CURLcode code)
{
    return { isPassing(code) ? DeliveryOutcome::Result::Retry : DeliveryOutcome::Result::Failed,
        QByteArray(curl_easy_strerror(code)) };
}

// Only the protocols of the channel, whatever the URL says.
void setCommon(CURL *easy, const QByteArray &url, bool mail, const NotifyTiming &timing)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, mail ? "smtp,smtps" : "http,https");
#else
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS,
        mail ? long(CURLPROTO_SMTP | CURLPROTO_SMTPS) : long(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(timing.connectTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(timing.transferTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
}
} // namespace

qint64 deliveryClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CurlDelivery::CurlDelivery()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_multi = curl_multi_init();
}

CurlDelivery::~CurlDelivery()
{
    curl_multi_cleanup(m_multi);
}

void CurlDelivery::cutOffAt(qint64 steadyMs)
{
    m_cutOffMs = steadyMs;
    // Ends the wait inside perform() so the cut-off is seen at once.
    curl_multi_wakeup(m_multi);
}

int CurlDelivery::perform(void *easy, const NotifyTiming &timing, long *response)
{
    // curl's own time-out ends the transfer; the deadline here is a second
    // line of defence, and the cut-off ends it early when the run ends.
    const qint64 deadline = deliveryClockMs() + timing.transferTimeoutMs + 1000;
    CURLcode code = CURLE_OPERATION_TIMEDOUT;
    curl_multi_add_handle(m_multi, easy);
    for (;;) {
        int running = 0;
        curl_multi_perform(m_multi, &running);
        int left = 0;
        bool done = false;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                code = message->data.result;
                done = true;
            }
        }
        const qint64 end = std::min(deadline, m_cutOffMs.load());
        const qint64 now = deliveryClockMs();
        if (done || now >= end)
            break;
        curl_multi_poll(m_multi, nullptr, 0, int(std::min<qint64>(end - now, 1000)), nullptr);
    }
    curl_multi_remove_handle(m_multi, easy);
    *response = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, response);
    return code;
}

DeliveryOutcome CurlDelivery::postJson(
    const QString &url, const QByteArray &json, const NotifyTiming &timing)
{
    const EasyPtr easy(curl_easy_init());
    if (!easy)
        return { DeliveryOutcome::Result::Retry, "out of memory" };
    ListPtr headers(append(nullptr, "Content-Type: application/json"));
    headers.reset(append(headers.release(), "Expect:"));
    setCommon(easy.get(), QUrl(url).toEncoded(), false, timing);
    curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, "orvane-monitor/" ORVANE_VERSION);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(json.size()));
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, json.constData());

    long status = 0;
    const CURLcode code = CURLcode(perform(easy.get(), timing, &status));
    if (code != CURLE_OK)
        return curlFailure(code);
    if (status >= 200 && status < 300)
        return { DeliveryOutcome::Result::Delivered, {} };
    // Too many requests and a request time-out are the server's state of the
    // moment, like its own errors; every other answer is the same next time.
    const bool passing = status >= 500 || status == 408 || status == 429;
    return { passing ? DeliveryOutcome::Result::Retry : DeliveryOutcome::Result::Failed,
        "HTTP " + QByteArray::number(status) };
}

DeliveryOutcome CurlDelivery::sendMail(
    const NotifySettings &settings, const QByteArray &message, const NotifyTiming &timing)
{
    const EasyPtr easy(curl_easy_init());
    if (!easy)
        return { DeliveryOutcome::Result::Retry, "out of memory" };
    const QUrl url(settings.smtpUrl);
    setCommon(easy.get(), url.toEncoded(), true, timing);
    const QByteArray from = '<' + settings.mailFrom.toUtf8() + '>';
    curl_easy_setopt(easy.get(), CURLOPT_MAIL_FROM, from.constData());
    ListPtr recipients;
    for (const QString &to : settings.mailTo)
        recipients.reset(append(recipients.release(), '<' + to.toUtf8() + '>'));
    curl_easy_setopt(easy.get(), CURLOPT_MAIL_RCPT, recipients.get());
#if LIBCURL_VERSION_NUM >= 0x080200
    curl_easy_setopt(easy.get(), CURLOPT_MAIL_RCPT_ALLOWFAILS, 1L);
#else
    curl_easy_setopt(easy.get(), CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
#endif
    const QByteArray username = settings.smtpUsername.toUtf8();
    if (!username.isEmpty()) {
        curl_easy_setopt(easy.get(), CURLOPT_USERNAME, username.constData());
        curl_easy_setopt(easy.get(), CURLOPT_PASSWORD, settings.smtpPassword.constData());
    }
    if (url.scheme().toLower() == u"smtp") {
        // STARTTLS when offered; required when a password would go to
        // another machine, so that a stripped offer cannot reveal it.
        const bool loopback = url.host() == u"localhost" || QHostAddress(url.host()).isLoopback();
        const bool insist = !settings.smtpPassword.isEmpty() && !loopback;
        curl_easy_setopt(
            easy.get(), CURLOPT_USE_SSL, insist ? long(CURLUSESSL_ALL) : long(CURLUSESSL_TRY));
    }
    Upload upload { &message };
    curl_easy_setopt(easy.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(easy.get(), CURLOPT_READDATA, &upload);
    curl_easy_setopt(easy.get(), CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));

    long reply = 0;
    const CURLcode code = CURLcode(perform(easy.get(), timing, &reply));
    if (code == CURLE_OK)
        return { DeliveryOutcome::Result::Delivered, {} };
    // The server's refusal decides: 4xx is "not now", 5xx is "never".
    if (reply >= 400 && reply < 600) {
        return { reply >= 500 ? DeliveryOutcome::Result::Failed : DeliveryOutcome::Result::Retry,
            "SMTP " + QByteArray::number(reply) };
    }
    return curlFailure(code);
}

} // namespace orvane
