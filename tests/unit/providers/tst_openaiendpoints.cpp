// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/GeneratedImage.h"
#include "providers/OpenAIEndpoints.h"

#include <QTest>

using namespace korvane;

// The reply shapes of the chat and image services, without a network.
class OpenAIEndpointsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chatContent_data();
    void chatContent();
    void imageReply_data();
    void imageReply();
    void base64_data();
    void base64();
    void imageSignatures_data();
    void imageSignatures();
};

void OpenAIEndpointsTest::chatContent_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QVariant>("content");
    const QVariant none;
    QTest::newRow("first choice") << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":\" "
                                                       "a \"}},{\"message\":{\"content\":\"b\"}}]}")
                                  << QVariant(u" a "_qs);
    QTest::newRow("empty content is text")
        << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":\"\"}}]}")
        << QVariant(QString());
    QTest::newRow("no choices") << QByteArrayLiteral("{\"id\":\"x\"}") << none;
    QTest::newRow("choices not an array") << QByteArrayLiteral("{\"choices\":{}}") << none;
    QTest::newRow("a choice that is not an object")
        << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":\"a\"}}, 3]}") << none;
    QTest::newRow("no message") << QByteArrayLiteral("{\"choices\":[{}]}") << none;
    QTest::newRow("message is text")
        << QByteArrayLiteral("{\"choices\":[{\"message\":\"a\"}]}") << none;
    QTest::newRow("numeric content")
        << QByteArrayLiteral("{\"choices\":[{\"message\":{\"content\":1}}]}") << none;
    QTest::newRow("not json") << QByteArrayLiteral("<html>oops</html>") << none;
    QTest::newRow("empty") << QByteArray() << none;
}

void OpenAIEndpointsTest::chatContent()
{
    QFETCH(QByteArray, body);
    QFETCH(QVariant, content);
    const std::optional<QString> read = OpenAIEndpoints::chatCompletionContent(body);
    QCOMPARE(read.has_value(), content.isValid());
    if (read)
        QCOMPARE(*read, content.toString());
}

void OpenAIEndpointsTest::imageReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<QVariant>("b64");
    QTest::addColumn<QVariant>("url");
    const QVariant none;
    QTest::newRow("both") << QByteArrayLiteral(
                                 "{\"data\":[{\"b64_json\":\"QQ==\",\"url\":\"http://x/a.png\"}]}")
                          << true << QVariant(u"QQ=="_qs) << QVariant(u"http://x/a.png"_qs);
    QTest::newRow("url only") << QByteArrayLiteral("{\"data\":[{\"url\":\"u\"}]}") << true << none
                              << QVariant(u"u"_qs);
    QTest::newRow("mistyped fields")
        << QByteArrayLiteral("{\"data\":[{\"b64_json\":1,\"url\":null}]}") << true << none << none;
    QTest::newRow("empty data") << QByteArrayLiteral("{\"data\":[]}") << false << none << none;
    QTest::newRow("data of numbers")
        << QByteArrayLiteral("{\"data\":[1]}") << false << none << none;
    QTest::newRow("second element not an object")
        << QByteArrayLiteral("{\"data\":[{\"url\":\"u\"},\"x\"]}") << false << none << none;
    QTest::newRow("data is an object")
        << QByteArrayLiteral("{\"data\":{\"url\":\"u\"}}") << false << none << none;
    QTest::newRow("not json") << QByteArrayLiteral("\x89PNG") << false << none << none;
}

void OpenAIEndpointsTest::imageReply()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, usable);
    QFETCH(QVariant, b64);
    QFETCH(QVariant, url);
    const std::optional<GeneratedImage::ReplyData> reply = GeneratedImage::readReply(body);
    QCOMPARE(reply.has_value(), usable);
    if (!reply)
        return;
    QCOMPARE(reply->b64Json.has_value(), b64.isValid());
    if (b64.isValid())
        QCOMPARE(*reply->b64Json, b64.toString());
    QCOMPARE(reply->url.has_value(), url.isValid());
    if (url.isValid())
        QCOMPARE(*reply->url, url.toString());
}

void OpenAIEndpointsTest::base64_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("bytes");
    const QVariant none;
    QTest::newRow("plain") << u"aGVsbG8="_qs << QVariant(QByteArrayLiteral("hello"));
    QTest::newRow("line breaks and spaces ignored")
        << u"aGVs\r\nbG8=\n "_qs << QVariant(QByteArrayLiteral("hello"));
    QTest::newRow("other characters ignored")
        << u"aG*Vs\u00e9bG8="_qs << QVariant(QByteArrayLiteral("hello"));
    QTest::newRow("missing padding") << u"aGVsbG8"_qs << none;
    QTest::newRow("padding in the middle") << u"aG==bG8="_qs << none;
    QTest::newRow("empty") << QString() << none;
    QTest::newRow("nothing of the alphabet") << u"!!!!"_qs << none;
}

void OpenAIEndpointsTest::base64()
{
    QFETCH(QString, text);
    QFETCH(QVariant, bytes);
    const std::optional<QByteArray> decoded = GeneratedImage::decodeBase64(text);
    QCOMPARE(decoded.has_value(), bytes.isValid());
    if (decoded)
        QCOMPARE(*decoded, bytes.toByteArray());
}

void OpenAIEndpointsTest::imageSignatures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<bool>("image");
    QTest::newRow("png") << QByteArrayLiteral("\x89PNG\r\n\x1a\n....") << QByteArray() << true;
    QTest::newRow("jpeg") << QByteArrayLiteral("\xff\xd8\xff\xe0..") << QByteArray() << true;
    QTest::newRow("gif") << QByteArrayLiteral("GIF89a..") << QByteArray() << true;
    QTest::newRow("webp") << QByteArrayLiteral("RIFF\0\0\0\0WEBPVP8 ") << QByteArray() << true;
    QTest::newRow("riff that is not webp")
        << QByteArrayLiteral("RIFF\0\0\0\0WAVEfmt ") << QByteArray() << false;
    QTest::newRow("labelled image")
        << QByteArrayLiteral("AVIF...") << QByteArrayLiteral(" Image/avif") << true;
    QTest::newRow("html error page") << QByteArrayLiteral("<html>Not found</html>")
                                     << QByteArrayLiteral("text/html; charset=utf-8") << false;
    QTest::newRow("json error") << QByteArrayLiteral("{\"error\":\"expired\"}")
                                << QByteArrayLiteral("application/json") << false;
    QTest::newRow("empty image") << QByteArray() << QByteArrayLiteral("image/png") << false;
}

void OpenAIEndpointsTest::imageSignatures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, contentType);
    QFETCH(bool, image);
    QCOMPARE(GeneratedImage::looksLikeImage(bytes, contentType), image);
}

QTEST_GUILESS_MAIN(OpenAIEndpointsTest)
#include "tst_openaiendpoints.moc"
