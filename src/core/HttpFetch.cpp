#include "core/HttpFetch.h"

#include "core/Configuration.h"

#include <QCoreApplication>
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

QCoro::Task<HttpFetchResult> fetchHttp(QNetworkAccessManager& manager, HttpFetchRequest request)
{
    if (request.request.hasRawHeader(QByteArrayLiteral("Authorization"))) {
        if (const std::optional<QString> refusal =
                Configuration::credentialTransportProblem(request.request.url())) {
            co_return HttpFetchResult{.error = HttpFetchError::insecureDestination,
                                      .errorDescription = *refusal};
        }
        // Qt's default follows a redirect to any host, credentials and all.
        request.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                     QNetworkRequest::SameOriginRedirectPolicy);
    }
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

} // namespace korvane
