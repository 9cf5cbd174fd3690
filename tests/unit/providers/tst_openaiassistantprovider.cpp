// SPDX-License-Identifier: GPL-3.0-or-later
// The chat assistant and the image generator against a loopback service.
#include "providers/AssistantReply.h"
#include "providers/OpenAIAssistantProvider.h"
#include "search/SearchResult.h"
#include "support/LoopbackHttpServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUrlQuery>
#include <qcoro/qcorotask.h>

#include <cstdio>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString chatPath = QStringLiteral("/v1/chat/completions");
const QString imagesPath = QStringLiteral("/v1/images/generations");
const QByteArray apiKey = QByteArrayLiteral("loopback-dummy-key");
const QByteArray pngBytes = QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\0\rIHDRpretend-image");
const QString imageErrorPrefix = QStringLiteral("GPT Image 2 Generation Error: ");
const QString failed = QStringLiteral("OpenAI request failed: ");

// A chat-completions reply whose first choice says `content`.
Response chatReply(const QString& content, int status = 200)
{
    const QJsonObject message{{u"role"_qs, u"assistant"_qs}, {u"content"_qs, content}};
    const QJsonObject reply{{u"choices"_qs, QJsonArray{QJsonObject{{u"message"_qs, message}}}}};
    return Response::json(QJsonDocument(reply).toJson(QJsonDocument::Compact), status);
}

Response imageReply(const QJsonObject& first, int status = 200)
{
    const QJsonObject reply{{u"created"_qs, 1}, {u"data"_qs, QJsonArray{first}}};
    return Response::json(QJsonDocument(reply).toJson(QJsonDocument::Compact), status);
}

Response base64Picture()
{
    return imageReply({{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())}});
}

// The bytes at the file:// address the generator returned; empty when it is none.
QByteArray readAddress(const std::optional<QString>& address)
{
    QFile file(QUrl(address.value_or(QString())).toLocalFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void removeAddress(const std::optional<QString>& address)
{
    if (address && QUrl(*address).isLocalFile())
        QFile::remove(QUrl(*address).toLocalFile());
}

// What the process writes to standard error, where failures are printed, while `work` runs.
template <typename Work>
QString standardErrorOf(Work work)
{
    QTemporaryFile capture;
    if (!capture.open())
        qFatal("cannot capture standard error");
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(capture.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    capture.seek(0);
    return QString::fromUtf8(capture.readAll());
}

} // namespace

Q_DECLARE_METATYPE(korvane::test::Response)

class OpenAIAssistantProviderTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void withoutKeyNothingIsSent();
    void requestsCarryTheKeyAndTheWords();
    void chatFailures_data();
    void chatFailures();
    void searchArtifactCarriesTheResults();
    void images_data();
    void images();
    void picturesGoToNewTemporaryFiles();

private:
    AssistantResponse ask(const QString& prompt = u"prompt"_qs)
    {
        return QCoro::waitFor(m_provider.respond(AssistantRequest{.prompt = prompt}));
    }
    std::optional<QString> generate(const QString& size = u"1024x1024"_qs)
    {
        return QCoro::waitFor(m_provider.generateGptImage(u"a fox"_qs, size));
    }

    LoopbackHttpServer m_server;
    OpenAIAssistantProvider m_provider{u"test-model"_qs};
};

void OpenAIAssistantProviderTest::init()
{
    QVERIFY(m_server.isListening());
    m_server.clearRequests();
    const QByteArray base = m_server.baseUrl().toEncoded();
    qputenv("KORVANE_ENV_FILES", "");
    qputenv("OPENAI_API_KEY", apiKey);
    qputenv("OPENAI_BASE_URL", base);
    // A "search" reply searches; it must never leave the machine.
    qputenv("KORVANE_SEARCH_URL", base);
    qputenv("KORVANE_SEARCH_ICON_URL", base);
}

void OpenAIAssistantProviderTest::withoutKeyNothingIsSent()
{
    qunsetenv("OPENAI_API_KEY");
    QCOMPARE(
        ask().message.content,
        u"OpenAI is not configured. Add `OPENAI_API_KEY` to `.env.local` for local development."_qs);
    QCOMPARE(generate(), std::nullopt);
    QCOMPARE(m_server.requestCount(), 0);
}

void OpenAIAssistantProviderTest::requestsCarryTheKeyAndTheWords()
{
    m_server.setRoute("POST", chatPath, chatReply(u"  \n Just a sentence.\n "_qs));
    m_server.setRoute("POST", imagesPath, Response::withStatus(400));
    const AssistantResponse response = ask(u"What is \"2+2\"?\n"_qs);
    QCOMPARE(response.message.content, u"Just a sentence."_qs);
    QCOMPARE(response.message.mode, std::optional<InputMode>(InputMode::quiet));
    QCOMPARE(generate(u"1792x1024"_qs), std::nullopt);

    const QList<RecordedRequest> sent = m_server.requests();
    QCOMPARE(sent.size(), 2);
    for (const RecordedRequest& request : sent) {
        QCOMPARE(request.header("Authorization"), "Bearer " + apiKey);
        QCOMPARE(request.header("Content-Type"), QByteArrayLiteral("application/json"));
    }
    QCOMPARE(sent.at(0).path, chatPath);
    const QJsonObject chat = QJsonDocument::fromJson(sent.at(0).body).object();
    QCOMPARE(chat.value(u"model").toString(), u"test-model"_qs);
    const QJsonArray messages = chat.value(u"messages").toArray();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.at(0).toObject().value(u"content").toString(), assistantSystemPrompt());
    QCOMPARE(messages.at(1).toObject().value(u"content").toString(), u"What is \"2+2\"?\n"_qs);
    QCOMPARE(sent.at(1).path, imagesPath);
    const QJsonObject image = QJsonDocument::fromJson(sent.at(1).body).object();
    QCOMPARE(image.value(u"prompt").toString(), u"a fox"_qs);
    QCOMPARE(image.value(u"size").toString(), u"1792x1024"_qs);

    // Key and host are read at every call.
    LoopbackHttpServer other;
    other.setRoute("POST", chatPath, chatReply(u"hi"_qs));
    qputenv("OPENAI_API_KEY", "second-dummy");
    qputenv("OPENAI_BASE_URL", other.baseUrl().toEncoded());
    ask();
    QCOMPARE(m_server.requestCount(), 2);
    QCOMPARE(other.lastRequest().value().header("Authorization"),
             QByteArrayLiteral("Bearer second-dummy"));
}

void OpenAIAssistantProviderTest::chatFailures_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("500 body never shown")
        << Response::text("internal detail", 500) << failed + u"HTTP 500"_qs;
    QTest::newRow("300 is outside the range")
        << chatReply(u"{\"message\":\"x\"}"_qs, 300) << failed + u"HTTP 300"_qs;
    QTest::newRow("no choices") << Response::json("{\"choices\":[]}")
                                << failed + u"The OpenAI response did not include text output."_qs;
    Response endless = Response::json("aaaaaaaaaaaaaaaa");
    endless.endlessBody = true;
    QTest::newRow("endless reply")
        << endless << failed + u"The response was larger than 16777216 bytes."_qs;
}

void OpenAIAssistantProviderTest::chatFailures()
{
    QFETCH(Response, answer);
    QFETCH(QString, message);
    m_server.setRoute("POST", chatPath, answer);
    const AssistantResponse response = ask();
    QCOMPARE(response.message.content, message);
    QCOMPARE(response.message.role, ConversationRole::assistant);
    QVERIFY(response.artifacts.isEmpty());
    QVERIFY(!response.action);
}

void OpenAIAssistantProviderTest::searchArtifactCarriesTheResults()
{
    m_server.setRoute(
        "POST", chatPath,
        chatReply(u"{\"message\": \"m\", \"artifact\": {\"kind\": \"search\", \"title\": \"T\", "
                  "\"body\": \"tomato soup\"}}"_qs));
    m_server.setRoute(
        "GET", u"/html/"_qs,
        Response::text("<a class=\"result__a\" href=\"" + m_server.url(u"/article"_qs).toEncoded() +
                       "\">Tomato <b>soup</b></a><a class=\"result__snippet\">Warm</a>"));
    const AssistantResponse response = ask();
    QCOMPARE(response.artifacts.size(), 1);
    const Artifact& artifact = response.artifacts.first();
    QCOMPARE(artifact.kind, ArtifactKind::search);
    QCOMPARE(artifact.title, u"Search: \"tomato soup\""_qs);
    QCOMPARE(decodeSearchResults(artifact.body).value_or(QList<SearchResult>()).size(), 1);
    const QList<RecordedRequest> searches = m_server.requests("GET", u"/html/"_qs);
    QCOMPARE(searches.size(), 1);
    QCOMPARE(QUrlQuery(searches.first().query).queryItemValue(u"q"_qs, QUrl::FullyDecoded),
             u"tomato soup"_qs);
}

void OpenAIAssistantProviderTest::images_data()
{
    // The service's answer, what the picture address it names answers, and the result: "file"
    // for a new local file holding the picture, empty for none, else the address itself.
    QTest::addColumn<Response>("answer");
    QTest::addColumn<Response>("download");
    QTest::addColumn<QString>("expected");
    const QString picture = m_server.url(u"/files/fox.png"_qs).toString();
    const Response byAddress = imageReply({{u"url"_qs, picture}});
    Response png = Response::text(pngBytes);
    png.headers = {{"Content-Type", "image/png"}};
    Response truncated = Response::text(pngBytes + QByteArray(4096, 'x'));
    truncated.closeAfterBodyBytes = 100;

    QTest::newRow("base64 wins over the address")
        << imageReply(
               {{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())}, {u"url"_qs, picture}})
        << Response::text("\x89PNG\r\n\x1a\nother") << u"file"_qs;
    QTest::newRow("bad base64: the address is downloaded")
        << imageReply({{u"b64_json"_qs, u"!!!"_qs}, {u"url"_qs, picture}}) << png << u"file"_qs;
    QTest::newRow("download not found: the address is kept")
        << byAddress << Response::text("<html>Not found</html>", 404) << picture;
    QTest::newRow("download an error page: the address is kept")
        << byAddress << Response::text("<html>Access denied</html>") << picture;
    QTest::newRow("download cut off: the address is kept") << byAddress << truncated << picture;
    QTest::newRow("a non-web address is not fetched")
        << imageReply({{u"url"_qs, u"file:///etc/hostname"_qs}}) << png
        << u"file:///etc/hostname"_qs;
    QTest::newRow("bad base64 and no address")
        << imageReply({{u"b64_json"_qs, u"abc"_qs}}) << png << QString();
}

void OpenAIAssistantProviderTest::images()
{
    QFETCH(Response, answer);
    QFETCH(Response, download);
    QFETCH(QString, expected);
    m_server.setRoute("POST", imagesPath, answer);
    m_server.setRoute("GET", u"/files/fox.png"_qs, download);
    std::optional<QString> address;
    const QString printed = standardErrorOf([&] { address = generate(); });
    const auto removal = qScopeGuard([&] { removeAddress(address); });
    QCOMPARE(printed, QString());
    if (expected == u"file")
        QCOMPARE(readAddress(address), pngBytes);
    else
        QCOMPARE(address, expected.isEmpty() ? std::nullopt : std::optional(expected));
    // The key is for the service, never for the host of a picture.
    for (const RecordedRequest& request : m_server.requests("GET", u"/files/fox.png"_qs))
        QVERIFY(request.header("Authorization").isEmpty());
}

void OpenAIAssistantProviderTest::picturesGoToNewTemporaryFiles()
{
    m_server.setRoute("POST", imagesPath, base64Picture());
    const std::optional<QString> first = generate();
    const std::optional<QString> second = generate();
    const auto removal = qScopeGuard([&] {
        removeAddress(first);
        removeAddress(second);
    });
    QVERIFY(first && second && *first != *second);
    const QFileInfo file(QUrl(*first).toLocalFile());
    QCOMPARE(file.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    QCOMPARE(readAddress(second), pngBytes);

    // Without its temporary folder nothing is written, not even to the working directory.
    QTemporaryDir parent;
    const QStringList before = QDir::current().entryList(QDir::Files);
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(parent.filePath(u"missing"_qs)));
    std::optional<QString> lost;
    const QString printed = standardErrorOf([&] { lost = generate(); });
    qputenv("TMPDIR", savedTemp);
    removeAddress(lost);
    QCOMPARE(lost, std::nullopt);
    QVERIFY2(printed.startsWith(imageErrorPrefix) && printed.count(u'\n') == 1,
             qPrintable(printed));
    QVERIFY(!printed.contains(QString::fromLatin1(apiKey)));
    QCOMPARE(QDir::current().entryList(QDir::Files), before);
}

QTEST_GUILESS_MAIN(OpenAIAssistantProviderTest)
#include "tst_openaiassistantprovider.moc"
