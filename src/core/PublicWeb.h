// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/HttpFetch.h"

#include <QByteArray>
#include <QHostAddress>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <optional>

// Fetching addresses that other people wrote (links on a results page, preview images) without
// letting them reach into this computer or its local network: only http(s), only hosts whose
// every address is on the public internet, and every redirect checked the same way.
namespace korvane::PublicWeb {

// Not loopback, private, shared (carrier NAT), link-local, multicast, documentation, reserved
// or unspecified; IPv4 inside IPv6 (mapped, NAT64, 6to4) is judged as IPv4.
bool isPublicAddress(const QHostAddress& address);

// http or https with a host.
bool isWebAddress(const QUrl& url);

// An origin the person configured (the search engine, say), reached without the public-address
// check.
using TrustedOrigin = std::function<bool(const QUrl&)>;

// The address to connect to for `url`: absent unless it is a web address whose host resolves,
// within `timeout`, to public addresses only (or it is trusted). A trusted origin gives an
// empty address: connect by name.
struct Destination {
    QHostAddress address{};
};
QCoro::Task<std::optional<Destination>> resolve(QUrl url, std::chrono::milliseconds timeout,
                                                TrustedOrigin trusted = {});

// Whether the window may load `url` (a picture): a web address whose host, if it resolves
// within `timeout`, resolves to public addresses only. A name that does not exist is harmless;
// no answer in time is not.
QCoro::Task<bool> isSafeToLoad(QUrl url, std::chrono::milliseconds timeout,
                               TrustedOrigin trusted = {});

struct PageRequest {
    QUrl url{};
    QByteArray userAgent{};
    // For the whole exchange, redirects and name look-ups included.
    std::chrono::milliseconds timeout{2000};
    qint64 maximumBodyBytes = 2 * 1024 * 1024;
    int maximumRedirects = 5;
    TrustedOrigin trusted{};
};

// GET `url`: each hop connects to the address its check found, so a name cannot resolve
// differently between the check and the connection. A refused hop is a transport error.
QCoro::Task<HttpFetchResult> fetchPage(PageRequest request);

} // namespace korvane::PublicWeb
