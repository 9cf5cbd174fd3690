// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/UiHelpers.h"

#include "core/Artifact.h"
#include "search/SearchResult.h"
#include "ui/ArtifactText.h"
#include "ui/FileOpening.h"
#include "ui/MarkdownLines.h"
#include "ui/SlideDeck.h"
#include "ui/WorkspaceText.h"

#include <QDesktopServices>
#include <QKeySequence>
#include <QQuickTextDocument>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace korvane {

namespace {

std::optional<QString> optionalText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

} // namespace

UiHelpers::UiHelpers(QObject* parent)
    : QObject(parent)
{
}

QString UiHelpers::statusTitle(RealtimeVoiceState voiceState) const
{
    return korvane::statusTitle(voiceState);
}

QString UiHelpers::statusSubtitle(RealtimeVoiceState voiceState, bool isWakeWordListening) const
{
    return korvane::statusSubtitle(voiceState, isWakeWordListening);
}

QColor UiHelpers::micTint(RealtimeVoiceState voiceState) const
{
    return korvane::micTint(voiceState);
}

QString UiHelpers::micHelpText(RealtimeVoiceState voiceState) const
{
    return korvane::micHelpText(voiceState);
}

double UiHelpers::micDiameter(double availableWidth) const
{
    return korvane::micDiameter(availableWidth);
}

QString UiHelpers::inspectorToggleIcon(bool isArtifactVisible) const
{
    return korvane::inspectorToggleIcon(isArtifactVisible);
}

QString UiHelpers::inspectorToggleHelp(bool isArtifactVisible) const
{
    return korvane::inspectorToggleHelp(isArtifactVisible);
}

QString UiHelpers::headerTitle(const QVariant& selectedArtifactTitle,
                               bool hasAssistantMessage) const
{
    return korvane::headerTitle(optionalText(selectedArtifactTitle), hasAssistantMessage);
}

QString UiHelpers::kindSymbol(ArtifactKind kind) const
{
    return korvane::kindSymbol(kind);
}

QString UiHelpers::kindLabel(ArtifactKind kind) const
{
    return korvane::kindLabel(kind);
}

QString UiHelpers::statusLabel(ArtifactStatus status) const
{
    return korvane::statusLabel(status);
}

bool UiHelpers::showsOpenFile(const QVariant& imagePath) const
{
    return korvane::showsOpenFile(optionalText(imagePath));
}

bool UiHelpers::isPendingImage(const QVariant& imagePath) const
{
    const auto path = optionalText(imagePath);
    return !path || path->startsWith(pendingCoverImagePrefix);
}

QUrl UiHelpers::imageSource(const QString& imagePath) const
{
    return imageSourceUrl(imagePath);
}

QVariantList UiHelpers::markdownLines(const QString& text) const
{
    QVariantList lines;
    for (const MarkdownElement& element : parseMarkdownLines(text)) {
        lines.append(QVariantMap{
            {QStringLiteral("kind"), static_cast<int>(element.kind)},
            {QStringLiteral("text"), element.text},
        });
    }
    return lines;
}

QStringList UiHelpers::slides(const QString& body) const
{
    return korvane::slides(body);
}

QVariant UiHelpers::extractImage(const QString& slide) const
{
    const auto image = korvane::extractImage(slide);
    return image ? QVariant(*image) : QVariant();
}

QStringList UiHelpers::contentLines(const QString& slide) const
{
    return getContentLines(slide);
}

QVariant UiHelpers::searchResults(const QString& body) const
{
    const auto results = decodeSearchResults(body);
    if (!results)
        return {};
    QVariantList list;
    for (const SearchResult& result : *results)
        list.append(result.toJson().toVariantMap());
    return list;
}

void UiHelpers::setLineSpacing(QQuickTextDocument* document, int percent) const
{
    if (!document || !document->textDocument())
        return;
    QTextDocument* text = document->textDocument();
    // Formatting counts as a change of the text; only touch it when something differs.
    bool needed = false;
    for (QTextBlock block = text->begin(); block.isValid() && !needed; block = block.next()) {
        const QTextBlockFormat current = block.blockFormat();
        needed = current.lineHeightType() != QTextBlockFormat::ProportionalHeight ||
                 current.lineHeight() != percent;
    }
    if (!needed)
        return;
    QTextCursor cursor(text);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(percent, QTextBlockFormat::ProportionalHeight);
    cursor.mergeBlockFormat(format);
}

void UiHelpers::openFile(const QString& path) const
{
    korvane::openFile(path);
}

bool UiHelpers::saveImage(const QString& source, const QUrl& destination) const
{
    return korvane::saveImage(source, destination);
}

QString UiHelpers::shortcutText(int key, int modifiers) const
{
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Shift:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_unknown:
        return {};
    default:
        break;
    }
    const QKeyCombination combination(Qt::KeyboardModifiers(modifiers) & ~Qt::KeypadModifier,
                                      Qt::Key(key));
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

void UiHelpers::openAddress(const QString& address) const
{
    // Result addresses come from scraped pages: only web addresses go to the browser.
    const QUrl url(address, QUrl::StrictMode);
    if (url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http"))
        QDesktopServices::openUrl(url);
}

} // namespace korvane
