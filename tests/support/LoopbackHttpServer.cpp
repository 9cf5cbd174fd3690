#include "support/LoopbackHttpServer.h"

namespace korvane::test {

QByteArray RecordedRequest::header(QByteArrayView) const
{
    return {};
}
bool RecordedRequest::hasHeader(QByteArrayView) const
{
    return false;
}
QList<QByteArray> RecordedRequest::headerValues(QByteArrayView) const
{
    return {};
}
QUrlQuery RecordedRequest::queryItems() const
{
    return {};
}

Response Response::json(QByteArray body, int status)
{
    return {.status = status, .body = body};
}
Response Response::text(QByteArray body, int status)
{
    return {.status = status, .body = body};
}
Response Response::withStatus(int status, QByteArray body)
{
    return {.status = status, .body = body};
}
Response Response::closeWithoutAnswer()
{
    return {.action = ResponseAction::closeWithoutAnswer};
}
Response Response::neverAnswer()
{
    return {.action = ResponseAction::neverAnswer};
}
QByteArray Response::header(QByteArrayView) const
{
    return {};
}

struct LoopbackHttpServer::Private {};

LoopbackHttpServer::LoopbackHttpServer()
    : d(std::make_unique<Private>())
{
}
LoopbackHttpServer::~LoopbackHttpServer() = default;
bool LoopbackHttpServer::isListening() const
{
    return false;
}
quint16 LoopbackHttpServer::port() const
{
    return 0;
}
QUrl LoopbackHttpServer::baseUrl() const
{
    return {};
}
QUrl LoopbackHttpServer::url(const QString&) const
{
    return {};
}
void LoopbackHttpServer::setRoute(const QByteArray&, const QString&, Response)
{
}
void LoopbackHttpServer::setRoute(const QByteArray&, const QString&, Handler)
{
}
void LoopbackHttpServer::removeRoute(const QByteArray&, const QString&)
{
}
void LoopbackHttpServer::setFallback(Handler)
{
}
void LoopbackHttpServer::clearRoutes()
{
}
QList<RecordedRequest> LoopbackHttpServer::requests() const
{
    return {};
}
QList<RecordedRequest> LoopbackHttpServer::requests(const QByteArray&, const QString&) const
{
    return {};
}
qsizetype LoopbackHttpServer::requestCount() const
{
    return 0;
}
std::optional<RecordedRequest> LoopbackHttpServer::lastRequest() const
{
    return {};
}
void LoopbackHttpServer::clearRequests()
{
}
bool LoopbackHttpServer::waitForRequests(qsizetype, std::chrono::milliseconds) const
{
    return false;
}
int LoopbackHttpServer::connectionCount() const
{
    return 0;
}
int LoopbackHttpServer::openConnectionCount() const
{
    return 0;
}
bool LoopbackHttpServer::waitForOpenConnections(int, std::chrono::milliseconds) const
{
    return false;
}
void LoopbackHttpServer::closeAllConnections()
{
}

} // namespace korvane::test
