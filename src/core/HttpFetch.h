// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QPair>
#include <QString>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

namespace korvane {

// One HTTP exchange as the services make it: the whole body read into memory, but never more
// than `maximumBodyBytes`, and never longer than `timeout` from start to end. A request with an
// Authorization header follows redirects only within its own origin, and goes out over plain
// http only to this computer.
struct HttpFetchRequest {
    QNetworkRequest request{};
    QByteArray method = QByteArrayLiteral("GET");
    QByteArray body{};
    std::chrono::milliseconds timeout{60'000};
    qint64 maximumBodyBytes = 16 * 1024 * 1024;
};

enum class HttpFetchError {
    // Connection refused, DNS, TLS, reset… with the transport's own description.
    transport,
    // The whole exchange took longer than the request's time-out.
    timedOut,
    // The body grew past the request's cap; the transfer was aborted.
    bodyTooLarge,
    // The answer carried no HTTP status (a non-HTTP scheme, for example).
    notHttp,
    // The request carries credentials and would send them unencrypted to another computer;
    // nothing was sent.
    insecureDestination,
};

struct HttpFetchResult {
    // Present when an HTTP answer arrived whole; `error` is then absent.
    int statusCode = 0;
    QByteArray body{};
    QList<QPair<QByteArray, QByteArray>> headers{};
    std::optional<HttpFetchError> error{};
    // A sentence for logs and messages when `error` is set.
    QString errorDescription{};

    bool succeeded() const { return !error.has_value(); }
    bool hasSuccessStatus() const { return succeeded() && statusCode >= 200 && statusCode <= 299; }
};

// The calling thread's network manager (network objects belong to one thread).
QNetworkAccessManager& threadNetworkAccessManager();

QCoro::Task<HttpFetchResult> fetchHttp(QNetworkAccessManager& manager, HttpFetchRequest request);
QCoro::Task<HttpFetchResult> fetchHttp(HttpFetchRequest request);

} // namespace korvane
