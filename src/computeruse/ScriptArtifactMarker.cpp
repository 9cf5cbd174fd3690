#include "computeruse/ScriptArtifactMarker.h"

#include <QFile>
#include <QStringDecoder>

namespace korvane {

namespace {

const QString markerStart = QStringLiteral("[ARTIFACT:");

QString withLineBreaks(QString text)
{
    return text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

// The file as UTF-8, or nothing when it cannot be read or decoded.
std::optional<QString> fileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(file.readAll());
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<Artifact> parseArtifactFromStdout(const QString& output)
{
    const qsizetype start = output.indexOf(markerStart);
    if (start < 0)
        return std::nullopt;
    const qsizetype contentStart = start + markerStart.size();
    const qsizetype end = output.lastIndexOf(u']');
    if (end < contentStart)
        return std::nullopt;
    const QStringList fields = output.sliced(contentStart, end - contentStart).split(u'|');
    if (fields.size() < 3)
        return std::nullopt;

    const QString kind = fields.at(0).trimmed().toLower();
    const QString path = fields.at(1).trimmed();
    const QString content =
        fields.size() > 3 ? withLineBreaks(fields.mid(3).join(u'|')) : QString();

    Artifact artifact;
    artifact.title = fields.at(2).trimmed();
    artifact.status = ArtifactStatus::ready;
    artifact.imagePath = path;
    if (kind == u"image") {
        artifact.kind = ArtifactKind::image;
        artifact.body = path;
    } else if (kind == u"presentation") {
        artifact.kind = ArtifactKind::presentation;
        artifact.body =
            content.isEmpty() ? QStringLiteral("Double-click to open file: ") + path : content;
    } else if (kind == u"markdown") {
        artifact.kind = ArtifactKind::markdown;
        const std::optional<QString> text = fileText(path);
        artifact.body = text ? withLineBreaks(*text) : path;
    } else {
        artifact.kind = ArtifactKind::note;
        artifact.body = path;
    }
    return artifact;
}

} // namespace korvane
