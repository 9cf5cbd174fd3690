// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/HttpFetch.h"

#include "core/Configuration.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <qcoro/qcoronetworkreply.h>

namespace korvane {

QNetworkAccessManager& threadNetworkAccessManager()
{
    thread_local QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        manager = new QNetworkAccessManager;
        // Owned by the application on the main thread, gone with its thread elsewhere, so it
        // never outlives the objects it relies on.
        QThread* thread = QThread::currentThread();
        if (QCoreApplication::instance() && thread == QCoreApplication::instance()->thread()) {
            manager->setParent(QCoreApplication::instance());
        } else {
            QObject::connect(
                thread, &QThread::finished, manager, [object = manager.data()] { delete object; },
                Qt::DirectConnection);
        }
    }
    return *manager;
}

QCoro::Task<HttpFetchResult> fetchHttp(HttpFetchRequest request)
{
    co_return co_await fetchHttp(threadNetworkAccessManager(), std::move(request));
}

namespace {

constexpr int maximumCredentialedRedirects = 5;

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port() == b.port();
}

std::optional<QUrl> redirectTarget(const HttpFetchResult& result, const QUrl& from)
{
    if (!result.succeeded() || result.statusCode < 300 || result.statusCode > 399)
        return std::nullopt;
    for (const auto& [name, value] : result.headers) {
        if (name.compare("Location", Qt::CaseInsensitive) == 0)
            return from.resolved(QUrl::fromEncoded(value));
    }
    return std::nullopt;
}

QCoro::Task<HttpFetchResult> fetchOnce(QNetworkAccessManager& manager, HttpFetchRequest request);

} // namespace

QCoro::Task<HttpFetchResult> fetchHttp(QNetworkAccessManager& manager, HttpFetchRequest request)
{
    if (!request.request.hasRawHeader(QByteArrayLiteral("Authorization")))
        co_return co_await fetchOnce(manager, std::move(request));

    // Redirects of a request with credentials are followed here, and only within the origin:
    // Qt's default follows them to any host, key and all.
    request.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                 QNetworkRequest::ManualRedirectPolicy);
    const QDeadlineTimer deadline(request.timeout);
    for (int hop = 0; hop <= maximumCredentialedRedirects; ++hop) {
        const QUrl url = request.request.url();
        if (const Outcome allowed = Configuration::checkCredentialTransport(url); !allowed)
            co_return HttpFetchResult{.error = HttpFetchError::insecureDestination,
                                      .errorDescription = allowed.error()};
        request.timeout = std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
        // A copy moved in: GCC 12 destroys some temporaries of a co_await expression twice.
        HttpFetchRequest attempt = request;
        HttpFetchResult result = co_await fetchOnce(manager, std::move(attempt));
        const std::optional<QUrl> target = redirectTarget(result, url);
        if (!target)
            co_return result;
        if (!sameOrigin(*target, url))
            co_return HttpFetchResult{
                .error = HttpFetchError::transport,
                .errorDescription = QStringLiteral("The service redirected the request to ") +
                                    target->toDisplayString(QUrl::RemoveUserInfo |
                                                            QUrl::RemovePath | QUrl::RemoveQuery) +
                                    QStringLiteral("; it was not sent there, nor was the key")};
        // As browsers do: 303, and 301 or 302 after a POST, fetch the new address with GET.
        if (result.statusCode == 303 ||
            ((result.statusCode == 301 || result.statusCode == 302) && request.method == "POST")) {
            request.method = QByteArrayLiteral("GET");
            request.body.clear();
        }
        request.request.setUrl(*target);
    }
    co_return HttpFetchResult{.error = HttpFetchError::transport,
                              .errorDescription =
                                  QStringLiteral("The service redirected too many times.")};
}

namespace {

QCoro::Task<HttpFetchResult> fetchOnce(QNetworkAccessManager& manager, HttpFetchRequest request)
{
    // The manager owns its replies too: if it goes first, the guard sees the reply gone.
    const QPointer<QNetworkReply> reply =
        manager.sendCustomRequest(request.request, request.method, request.body);
    const auto release = qScopeGuard([reply] {
        if (reply)
            reply->deleteLater();
    });

    // Read as the bytes arrive so the cap holds even for an endless body.
    auto received = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    QNetworkReply* rawReply = reply.data();
    const qint64 cap = request.maximumBodyBytes;
    QObject::connect(rawReply, &QIODevice::readyRead, rawReply,
                     [rawReply, received, tooLarge, cap] {
                         received->append(rawReply->readAll());
                         if (received->size() > cap && !*tooLarge) {
                             *tooLarge = true;
                             rawReply->abort();
                         }
                     });

    auto timedOut = std::make_shared<bool>(false);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, rawReply, [rawReply, timedOut] {
        *timedOut = true;
        rawReply->abort();
    });
    deadline.start(request.timeout);

    if (!reply->isFinished())
        co_await qCoro(rawReply).waitForFinished();
    deadline.stop();

    HttpFetchResult result;
    if (!reply) {
        result.error = HttpFetchError::transport;
        result.errorDescription = QStringLiteral("The request was cancelled.");
        co_return result;
    }
    // An aborted reply is closed: nothing more to read.
    if (!*tooLarge && !*timedOut)
        received->append(reply->readAll());
    if (*tooLarge) {
        result.error = HttpFetchError::bodyTooLarge;
        result.errorDescription = QStringLiteral("The response was larger than %1 bytes.").arg(cap);
        co_return result;
    }
    if (*timedOut) {
        result.error = HttpFetchError::timedOut;
        result.errorDescription = QStringLiteral("The request timed out.");
        co_return result;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An HTTP error status still carries an answer. Network-layer errors (codes below 100:
    // refused, reset, closed mid-body…) mean the answer, if any, did not arrive whole.
    const bool networkLayerError = reply->error() > QNetworkReply::NoError &&
                                   reply->error() < QNetworkReply::ContentAccessDenied;
    if (networkLayerError || (reply->error() != QNetworkReply::NoError && !status.isValid())) {
        result.error = HttpFetchError::transport;
        result.errorDescription = reply->errorString();
        co_return result;
    }
    if (!status.isValid()) {
        result.error = HttpFetchError::notHttp;
        result.errorDescription =
            QStringLiteral("The server returned a response that is not HTTP.");
        co_return result;
    }
    result.statusCode = status.toInt();
    result.body = std::move(*received);
    result.headers = reply->rawHeaderPairs();
    co_return result;
}

} // namespace

} // namespace korvane
