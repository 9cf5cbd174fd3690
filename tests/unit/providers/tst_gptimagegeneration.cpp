#include "ProviderTestEnvironment.h"
#include "providers/OpenAIAssistantProvider.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    void base64IsWrittenToANewFile();
    void base64WinsOverUrl();
    void downloadedUrl();
    void remoteAddressKept_data();
    void remoteAddressKept();
    void absentResult_data();
    void absentResult();
    void transportErrorIsPrinted();
    void fileWriteFailureIsPrinted_data();
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

void GptImageGenerationTest::base64IsWrittenToANewFile()
{
    // Line breaks inside the Base64 text are ignored.
    QByteArray encoded = pngBytes.toBase64();
    encoded.insert(8, "\r\n");
    m_server.setRoute("POST", imagesPath,
                      Response::json(imageReply({{u"b64_json"_qs, QString::fromLatin1(encoded)}})));
    StandardErrorCapture output;
    const std::optional<QString> address = generate();
    QVERIFY(address);
    QVERIFY2(address->startsWith(u"file://"_qs), qPrintable(*address));
    const QString path = QUrl(*address).toLocalFile();
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    QVERIFY(QFileInfo(path).fileName().startsWith(u"GeneratedImage_"_qs));
    QCOMPARE(readAddress(*address), pngBytes);
    QCOMPARE(output.text(), QString());
    removeAddress(address);
}

void GptImageGenerationTest::base64WinsOverUrl()
{
    m_server.setRoute("GET", u"/remote.png"_qs,
                      Response::text(QByteArrayLiteral("\x89PNG\r\n\x1a\nother")));
    m_server.setRoute(
        "POST", imagesPath,
        Response::json(imageReply({{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())},
                                   {u"url"_qs, m_server.url(u"/remote.png"_qs).toString()}})));
    const std::optional<QString> address = generate();
    QVERIFY(address);
    QCOMPARE(readAddress(*address), pngBytes);
    QCOMPARE(m_server.requestCount(), 1);
    removeAddress(address);
}

void GptImageGenerationTest::downloadedUrl()
{
    Response picture = Response::text(pngBytes);
    picture.headers = {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("image/png")}};
    m_server.setRoute("GET", u"/files/fox.png"_qs, picture);
    m_server.setRoute(
        "POST", imagesPath,
        Response::json(imageReply({{u"b64_json"_qs, u"!!!"_qs},
                                   {u"url"_qs, m_server.url(u"/files/fox.png"_qs).toString()}})));
    const std::optional<QString> address = generate();
    QVERIFY(address);
    QVERIFY2(address->startsWith(u"file://"_qs), qPrintable(*address));
    QCOMPARE(readAddress(*address), pngBytes);
    const QList<test::RecordedRequest> requests = m_server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(1).path, u"/files/fox.png"_qs);
    // The key is for the service, never for the host of a picture.
    QVERIFY(!requests.at(1).hasHeader("Authorization"));
    removeAddress(address);
}

void GptImageGenerationTest::remoteAddressKept_data()
{
    QTest::addColumn<Response>("download");
    QTest::newRow("not found") << Response::text(QByteArrayLiteral("<html>Not found</html>"), 404);
    QTest::newRow("error page with status 200")
        << Response::text(QByteArrayLiteral("<html>Access denied</html>"));
    QTest::newRow("connection closed") << Response::closeWithoutAnswer();
    Response truncated = Response::text(pngBytes + QByteArray(4096, 'x'));
    truncated.closeAfterBodyBytes = 100;
    QTest::newRow("truncated body") << truncated;
}

void GptImageGenerationTest::remoteAddressKept()
{
    QFETCH(Response, download);
    m_server.setRoute("GET", u"/files/gone.png"_qs, download);
    const QString remote = m_server.url(u"/files/gone.png"_qs).toString();
    m_server.setRoute("POST", imagesPath, Response::json(imageReply({{u"url"_qs, remote}})));
    StandardErrorCapture output;
    QCOMPARE(generate(), std::optional<QString>(remote));
    QCOMPARE(output.text(), QString());
}

void GptImageGenerationTest::absentResult_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QVariant>("result");
    const QVariant none;
    const QByteArray good =
        imageReply({{u"b64_json"_qs, QString::fromLatin1(pngBytes.toBase64())}});
    QTest::newRow("400 with error body")
        << Response::json(QByteArrayLiteral("{\"error\":{\"message\":\"rejected\"}}"), 400) << none;
    QTest::newRow("500") << Response::withStatus(500) << none;
    QTest::newRow("201 is not 200") << Response::json(good, 201) << none;
    QTest::newRow("body not json") << Response::text(QByteArrayLiteral("<html></html>")) << none;
    QTest::newRow("empty data") << Response::json(QByteArrayLiteral("{\"data\":[]}")) << none;
    QTest::newRow("neither field")
        << Response::json(imageReply({{u"revised_prompt"_qs, u"x"_qs}})) << none;
    QTest::newRow("bad base64 and no url")
        << Response::json(imageReply({{u"b64_json"_qs, u"abc"_qs}})) << none;
    QTest::newRow("invalid url text is returned as it is")
        << Response::json(imageReply({{u"url"_qs, u"http://exa mple.com/a b.png"_qs}}))
        << QVariant(u"http://exa mple.com/a b.png"_qs);
    QTest::newRow("non-web address is not fetched")
        << Response::json(imageReply({{u"url"_qs, u"file:///etc/hostname"_qs}}))
        << QVariant(u"file:///etc/hostname"_qs);
}

void GptImageGenerationTest::absentResult()
{
    QFETCH(Response, answer);
    QFETCH(QVariant, result);
    m_server.setRoute("POST", imagesPath, answer);
    StandardErrorCapture output;
    const std::optional<QString> address = generate();
    QCOMPARE(address.has_value(), result.isValid());
    if (address)
        QCOMPARE(*address, result.toString());
    QCOMPARE(output.text(), QString());
    QCOMPARE(m_server.requestCount(), 1);
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

void GptImageGenerationTest::fileWriteFailureIsPrinted_data()
{
    QTest::addColumn<QString>("temporaryFolder");
    QTest::newRow("folder missing") << u"missing"_qs;
    QTest::newRow("a file, not a folder") << u"plain-file"_qs;
}

void GptImageGenerationTest::fileWriteFailureIsPrinted()
{
    QFETCH(QString, temporaryFolder);
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    QFile plain(parent.filePath(u"plain-file"_qs));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString before = QDir::current().entryList(QDir::Files).join(u',');

    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(parent.filePath(temporaryFolder)));
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
