// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProviderTestEnvironment.h"
#include "providers/OpenAIAssistantProvider.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <qcoro/qcorotask.h>

using namespace korvane;
using korvane::test::LoopbackHttpServer;
using korvane::test::Response;

namespace {

const QString imagesPath = QStringLiteral("/v1/images/generations");
const QByteArray pngBytes = QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\0\rIHDRpretend-image");
const QString errorLinePrefix = QStringLiteral("GPT Image 2 Generation Error: ");

QByteArray imageReply(const QJsonObject& first)
{
    return QJsonDocument(QJsonObject{{u"created"_qs, 1}, {u"data"_qs, QJsonArray{first}}})
        .toJson(QJsonDocument::Compact);
}

// The bytes of a file:// address the provider returned; empty when it is not one.
QByteArray readAddress(const QString& address)
{
    const QUrl url(address);
    if (!url.isLocalFile())
        return {};
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void removeAddress(const std::optional<QString>& address)
{
    if (address && QUrl(*address).isLocalFile())
        QFile::remove(QUrl(*address).toLocalFile());
}

} // namespace

Q_DECLARE_METATYPE(korvane::test::Response)

class GptImageGenerationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void withoutKeyNothingIsSent();
    void recordedRequest();
    void results_data();
    void results();
    void transportErrorIsPrinted();
    void fileWriteFailureIsPrinted();
    void concurrentGenerationsWriteDifferentFiles();

private:
    std::optional<QString> generate(const QString& prompt = u"a fox"_qs,
                                    const QString& size = u"1024x1024"_qs);

    LoopbackHttpServer m_server;
};

std::optional<QString> GptImageGenerationTest::generate(const QString& prompt, const QString& size)
{
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    return QCoro::waitFor(provider.generateGptImage(prompt, size));
}

void GptImageGenerationTest::initTestCase()
{
    QVERIFY(m_server.isListening());
}

void GptImageGenerationTest::init()
{
    m_server.clearRoutes();
    m_server.clearRequests();
    useLoopbackServices(m_server);
}

void GptImageGenerationTest::cleanupTestCase()
{
    clearLoopbackServices();
}

void GptImageGenerationTest::withoutKeyNothingIsSent()
{
    qunsetenv("OPENAI_API_KEY");
    m_server.setRoute(
        "POST", imagesPath,
        Response::json(imageReply({{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())}})));
    StandardErrorCapture output;
    QCOMPARE(generate(), std::optional<QString>());
    QCOMPARE(output.text(), QString());
    QCOMPARE(m_server.requestCount(), 0);
}

void GptImageGenerationTest::recordedRequest()
{
    m_server.setRoute("POST", imagesPath, Response::withStatus(400));
    QCOMPARE(generate(u"a \"red\" fox\n"_qs, u"1792x1024"_qs), std::optional<QString>());
    QCOMPARE(m_server.requestCount(), 1);
    const test::RecordedRequest sent = *m_server.lastRequest();
    QCOMPARE(sent.method, QByteArrayLiteral("POST"));
    QCOMPARE(sent.path, imagesPath);
    QCOMPARE(sent.header("Authorization"), QByteArrayLiteral("Bearer ") + dummyApiKey);
    QCOMPARE(sent.header("Content-Type"), QByteArrayLiteral("application/json"));
    const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
    const QJsonObject expected{{u"model"_qs, u"gpt-image-2"_qs},
                               {u"prompt"_qs, u"a \"red\" fox\n"_qs},
                               {u"n"_qs, 1},
                               {u"size"_qs, u"1792x1024"_qs},
                               {u"quality"_qs, u"low"_qs}};
    QCOMPARE(body, expected);
}

void GptImageGenerationTest::results_data()
{
    // The service's answer, what the picture address it names answers, and the result: "file"
    // for a new local file holding the picture, empty for none, else the address itself.
    QTest::addColumn<Response>("answer");
    QTest::addColumn<Response>("download");
    QTest::addColumn<QString>("expected");
    const QString picture = m_server.url(u"/files/fox.png"_qs).toString();
    const QString base64 = QString::fromLatin1(pngBytes.toBase64());
    const auto reply = [](const QJsonObject& first, int status = 200) {
        return Response::json(imageReply(first), status);
    };
    Response png = Response::text(pngBytes);
    png.headers = {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("image/png")}};
    const Response other = Response::text(QByteArrayLiteral("\x89PNG\r\n\x1a\nother"));

    QByteArray broken = pngBytes.toBase64();
    broken.insert(8, "\r\n");
    QTest::newRow("base64 with line breaks")
        << reply({{u"b64_json"_qs, QString::fromLatin1(broken)}}) << other << u"file"_qs;
    QTest::newRow("base64 wins over the address")
        << reply({{u"b64_json"_qs, base64}, {u"url"_qs, picture}}) << other << u"file"_qs;
    QTest::newRow("bad base64: the address is downloaded")
        << reply({{u"b64_json"_qs, u"!!!"_qs}, {u"url"_qs, picture}}) << png << u"file"_qs;
    QTest::newRow("download not found: the address is kept")
        << reply({{u"url"_qs, picture}}) << Response::text("<html>Not found</html>", 404)
        << picture;
    QTest::newRow("download an error page: the address is kept")
        << reply({{u"url"_qs, picture}}) << Response::text("<html>Access denied</html>") << picture;
    Response truncated = Response::text(pngBytes + QByteArray(4096, 'x'));
    truncated.closeAfterBodyBytes = 100;
    QTest::newRow("download cut off: the address is kept")
        << reply({{u"url"_qs, picture}}) << truncated << picture;
    QTest::newRow("an address that is no URL is returned as it is")
        << reply({{u"url"_qs, u"http://exa mple.com/a b.png"_qs}}) << png
        << u"http://exa mple.com/a b.png"_qs;
    QTest::newRow("a non-web address is not fetched")
        << reply({{u"url"_qs, u"file:///etc/hostname"_qs}}) << png << u"file:///etc/hostname"_qs;

    QTest::newRow("400 with error body")
        << Response::json("{\"error\":{\"message\":\"rejected\"}}", 400) << png << QString();
    QTest::newRow("201 is not 200") << reply({{u"b64_json"_qs, base64}}, 201) << png << QString();
    QTest::newRow("body not json") << Response::text("<html></html>") << png << QString();
    QTest::newRow("empty data") << Response::json("{\"data\":[]}") << png << QString();
    QTest::newRow("neither field") << reply({{u"revised_prompt"_qs, u"x"_qs}}) << png << QString();
    QTest::newRow("bad base64 and no address")
        << reply({{u"b64_json"_qs, u"abc"_qs}}) << png << QString();
}

void GptImageGenerationTest::results()
{
    QFETCH(Response, answer);
    QFETCH(Response, download);
    QFETCH(QString, expected);
    m_server.setRoute("POST", imagesPath, answer);
    m_server.setRoute("GET", u"/files/fox.png"_qs, download);
    StandardErrorCapture output;
    const std::optional<QString> address = generate();
    const auto removal = qScopeGuard([&] { removeAddress(address); });
    QCOMPARE(output.text(), QString());

    if (expected == u"file") {
        QVERIFY(address);
        const QFileInfo file(QUrl(*address).toLocalFile());
        QCOMPARE(file.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(file.fileName().startsWith(u"GeneratedImage_"_qs));
        QCOMPARE(readAddress(*address), pngBytes);
    } else {
        QCOMPARE(address, expected.isEmpty() ? std::nullopt : std::optional(expected));
    }
    // The key is for the service, never for the host of a picture.
    const QList<test::RecordedRequest> requests = m_server.requests();
    for (const test::RecordedRequest& request : requests.mid(1))
        QVERIFY(!request.hasHeader("Authorization"));
}

void GptImageGenerationTest::transportErrorIsPrinted()
{
    m_server.setRoute("POST", imagesPath, Response::closeWithoutAnswer());
    StandardErrorCapture output;
    QCOMPARE(generate(), std::optional<QString>());
    const QString printed = output.text();
    QVERIFY2(printed.startsWith(errorLinePrefix), qPrintable(printed));
    QVERIFY(printed.endsWith(u'\n'));
    QCOMPARE(printed.count(u'\n'), 1);
    QVERIFY(printed.size() > errorLinePrefix.size() + 1);
    QVERIFY(!printed.contains(QString::fromLatin1(dummyApiKey)));
}

void GptImageGenerationTest::fileWriteFailureIsPrinted()
{
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const QString before = QDir::current().entryList(QDir::Files).join(u',');

    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(parent.filePath(u"missing"_qs)));
    m_server.setRoute(
        "POST", imagesPath,
        Response::json(imageReply({{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())}})));
    StandardErrorCapture output;
    const std::optional<QString> address = generate();
    const QString printed = output.text();
    if (savedTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTemp);
    removeAddress(address);

    QCOMPARE(address, std::optional<QString>());
    QVERIFY2(printed.startsWith(errorLinePrefix), qPrintable(printed));
    QCOMPARE(printed.count(u'\n'), 1);
    // Nothing lands in the working directory instead.
    QCOMPARE(QDir::current().entryList(QDir::Files).join(u','), before);
}

void GptImageGenerationTest::concurrentGenerationsWriteDifferentFiles()
{
    Response slow =
        Response::json(imageReply({{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())}}));
    slow.delay = std::chrono::milliseconds(50);
    m_server.setRoute("POST", imagesPath, slow);
    OpenAIAssistantProvider provider(u"gpt-4o"_qs);
    QCoro::Task<std::optional<QString>> first =
        provider.generateGptImage(u"one"_qs, u"1024x1024"_qs);
    QCoro::Task<std::optional<QString>> second =
        provider.generateGptImage(u"two"_qs, u"1024x1024"_qs);
    const std::optional<QString> a = QCoro::waitFor(std::move(first));
    const std::optional<QString> b = QCoro::waitFor(std::move(second));
    QVERIFY(a && b);
    QVERIFY(*a != *b);
    QCOMPARE(readAddress(*a), pngBytes);
    QCOMPARE(readAddress(*b), pngBytes);
    removeAddress(a);
    removeAddress(b);
}

QTEST_GUILESS_MAIN(GptImageGenerationTest)
#include "tst_gptimagegeneration.moc"
