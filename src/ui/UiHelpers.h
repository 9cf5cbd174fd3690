// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Enumerations.h"

#include <QColor>
#include <QObject>
#include <QQuickTextDocument>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace korvane {

// The pure presentation rules, for the QML views.
// Not final: the QML engine derives from its element types.
class UiHelpers : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Ui)
    QML_SINGLETON

public:
    explicit UiHelpers(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(UiHelpers)

    // Workspace
    Q_INVOKABLE QString statusTitle(korvane::RealtimeVoiceState voiceState) const;
    Q_INVOKABLE QString statusSubtitle(korvane::RealtimeVoiceState voiceState,
                                       bool isWakeWordListening) const;
    Q_INVOKABLE QColor micTint(korvane::RealtimeVoiceState voiceState) const;
    Q_INVOKABLE QString micHelpText(korvane::RealtimeVoiceState voiceState) const;
    Q_INVOKABLE double micDiameter(double availableWidth) const;
    Q_INVOKABLE QString inspectorToggleIcon(bool isArtifactVisible) const;
    Q_INVOKABLE QString inspectorToggleHelp(bool isArtifactVisible) const;

    // Inspector
    Q_INVOKABLE QString headerTitle(const QVariant& selectedArtifactTitle,
                                    bool hasAssistantMessage) const;
    Q_INVOKABLE QString kindSymbol(korvane::ArtifactKind kind) const;
    Q_INVOKABLE QString kindLabel(korvane::ArtifactKind kind) const;
    Q_INVOKABLE QString statusLabel(korvane::ArtifactStatus status) const;
    Q_INVOKABLE bool showsOpenFile(const QVariant& imagePath) const;
    Q_INVOKABLE bool isPendingImage(const QVariant& imagePath) const;
    Q_INVOKABLE QUrl imageSource(const QString& imagePath) const;

    // Each line as {kind: MarkdownLineKind, text}.
    Q_INVOKABLE QVariantList markdownLines(const QString& text) const;
    Q_INVOKABLE QStringList slides(const QString& body) const;
    // The image reference, or undefined.
    Q_INVOKABLE QVariant extractImage(const QString& slide) const;
    Q_INVOKABLE QStringList contentLines(const QString& slide) const;
    // The results as maps with the record's field names, or undefined when the body is no result
    // list.
    Q_INVOKABLE QVariant searchResults(const QString& body) const;

    // Proportional line height (percent) for every block of a text view's document.
    Q_INVOKABLE void setLineSpacing(QQuickTextDocument* document, int percent) const;

    // Settings: the shortcut a key press with `modifiers` makes, as "Ctrl+Alt+Space"; empty
    // while only modifiers are down.
    Q_INVOKABLE QString shortcutText(int key, int modifiers) const;

    // User actions.
    Q_INVOKABLE void openFile(const QString& path) const;
    Q_INVOKABLE bool saveImage(const QString& source, const QUrl& destination) const;
    Q_INVOKABLE void openAddress(const QString& address) const;
};

} // namespace korvane
