// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PublicWeb.h"

#include <QDeadlineTimer>
#include <QHostInfo>
#include <QNetworkRequest>
#include <QObject>
#include <qcoro/qcorosignal.h>

#include <algorithm>
#include <memory>

namespace korvane::PublicWeb {

namespace {

bool isPublicIPv4(quint32 a)
{
    const auto in = [a](quint32 network, int prefix) {
        const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
        return (a & mask) == network;
    };
    return !(in(0x00000000, 8)      // "this" network
             || in(0x0a000000, 8)   // private
             || in(0x64400000, 10)  // shared address space (carrier NAT)
             || in(0x7f000000, 8)   // loopback
             || in(0xa9fe0000, 16)  // link-local
             || in(0xac100000, 12)  // private
             || in(0xc0000000, 24)  // protocol assignments
             || in(0xc0000200, 24)  // documentation
             || in(0xc0586300, 24)  // 6to4 relay anycast
             || in(0xc0a80000, 16)  // private
             || in(0xc6120000, 15)  // benchmarking
             || in(0xc6336400, 24)  // documentation
             || in(0xcb007100, 24)  // documentation
             || in(0xe0000000, 4)   // multicast
             || in(0xf0000000, 4)); // reserved, broadcast
}

quint32 ipv4At(const Q_IPV6ADDR& bytes, int offset)
{
    return quint32(bytes[offset]) << 24 | quint32(bytes[offset + 1]) << 16 |
           quint32(bytes[offset + 2]) << 8 | quint32(bytes[offset + 3]);
}

bool isPublicIPv6(const Q_IPV6ADDR& b)
{
    const auto startsWith = [&b](std::initializer_list<quint8> prefix) {
        int index = 0;
        for (quint8 byte : prefix) {
            if (b[index++] != byte)
                return false;
        }
        return true;
    };
    // ::ffff:a.b.c.d and the NAT64 prefix 64:ff9b::/96 carry an IPv4 address at the end.
    if (startsWith({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff}) ||
        startsWith({0, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0}))
        return isPublicIPv4(ipv4At(b, 12));
    // 6to4 (2002::/16) carries it right after the prefix.
    if (startsWith({0x20, 0x02}))
        return isPublicIPv4(ipv4At(b, 2));
    // Only global unicast (2000::/3) is public, less the documentation prefix.
    if ((b[0] & 0xe0) != 0x20)
        return false;
    return !startsWith({0x20, 0x01, 0x0d, 0xb8});
}

// Receives the answer of one asynchronous name look-up.
class HostLookup final : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void finished(const QHostInfo& info);
};

// The answer, or nothing when none came in time.
QCoro::Task<std::optional<QHostInfo>> lookUp(QString host, std::chrono::milliseconds timeout)
{
    auto receiver = std::make_unique<HostLookup>();
    HostLookup* raw = receiver.get();
    const int id = QHostInfo::lookupHost(
        host, raw, [raw](const QHostInfo& info) { Q_EMIT raw->finished(info); });
    const std::optional<QHostInfo> info = co_await qCoro(raw, &HostLookup::finished, timeout);
    if (!info)
        QHostInfo::abortHostLookup(id);
    co_return info;
}

bool allPublic(const QList<QHostAddress>& addresses)
{
    // One private address among public ones is enough to refuse: a connection could use it.
    return std::all_of(addresses.begin(), addresses.end(), isPublicAddress);
}

std::chrono::milliseconds remaining(const QDeadlineTimer& deadline)
{
    return std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
}

HttpFetchResult refused(const QString& why)
{
    return {.error = HttpFetchError::transport, .errorDescription = why};
}

} // namespace

bool isPublicAddress(const QHostAddress& address)
{
    switch (address.protocol()) {
    case QAbstractSocket::IPv4Protocol:
        return isPublicIPv4(address.toIPv4Address());
    case QAbstractSocket::IPv6Protocol:
        return isPublicIPv6(address.toIPv6Address());
    default:
        return false;
    }
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

QCoro::Task<std::optional<Destination>> resolve(QUrl url, std::chrono::milliseconds timeout,
                                                TrustedOrigin trusted)
{
    if (!isWebAddress(url))
        co_return std::nullopt;
    if (trusted && trusted(url))
        co_return Destination{};
    QString host = url.host();
    const std::optional<QHostInfo> info = co_await lookUp(std::move(host), timeout);
    if (!info || info->error() != QHostInfo::NoError || info->addresses().isEmpty() ||
        !allPublic(info->addresses()))
        co_return std::nullopt;
    co_return Destination{info->addresses().first()};
}

QCoro::Task<bool> isSafeToLoad(QUrl url, std::chrono::milliseconds timeout, TrustedOrigin trusted)
{
    if (!isWebAddress(url))
        co_return false;
    if (trusted && trusted(url))
        co_return true;
    QString host = url.host();
    const std::optional<QHostInfo> info = co_await lookUp(std::move(host), timeout);
    if (!info)
        co_return false;
    // A name that does not resolve leads nowhere, so nothing can be loaded from it.
    co_return info->error() != QHostInfo::NoError || allPublic(info->addresses());
}

QCoro::Task<HttpFetchResult> fetchPage(PageRequest page)
{
    const QDeadlineTimer deadline(page.timeout);
    QUrl url = page.url;
    for (int hop = 0; hop <= page.maximumRedirects; ++hop) {
        // Named and moved in: GCC 12 destroys some temporaries of a co_await expression twice.
        QUrl checked = url;
        TrustedOrigin trusted = page.trusted;
        const std::optional<Destination> destination =
            co_await resolve(std::move(checked), remaining(deadline), std::move(trusted));
        if (!destination)
            co_return refused(QStringLiteral("The address is not a public web address."));

        QNetworkRequest request;
        if (destination->address.isNull()) {
            request.setUrl(url);
        } else {
            QUrl pinned = url;
            pinned.setHost(destination->address.toString());
            request.setUrl(pinned);
            const int port = url.port();
            request.setRawHeader(QByteArrayLiteral("Host"),
                                 QUrl::toAce(url.host()) +
                                     (port >= 0 ? ':' + QByteArray::number(port) : QByteArray()));
            // Certificates and the TLS server name still go by the name.
            request.setPeerVerifyName(url.host());
            // HTTP/2 would name the address instead of the host.
            request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        }
        request.setRawHeader(QByteArrayLiteral("User-Agent"), page.userAgent);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);

        HttpFetchRequest fetch{
            request, QByteArrayLiteral("GET"), {}, remaining(deadline), page.maximumBodyBytes};
        HttpFetchResult result = co_await fetchHttp(std::move(fetch));
        if (!result.succeeded() || result.statusCode < 300 || result.statusCode > 399)
            co_return result;
        QByteArray location;
        for (const auto& [name, value] : std::as_const(result.headers)) {
            if (name.compare("Location", Qt::CaseInsensitive) == 0)
                location = value;
        }
        if (location.isEmpty())
            co_return result;
        url = url.resolved(QUrl::fromEncoded(location));
    }
    co_return refused(QStringLiteral("The page redirected too many times."));
}

} // namespace korvane::PublicWeb

#include "PublicWeb.moc"
