// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSettings;

namespace korvane {

// The persisted user settings (~/.config/korvane/Korvane.conf). Only the settings window
// reads them, and besides it: the program's start for startAtLogin, the approval of proposed
// actions for allowComputerControl and letScriptsUseNetwork, the realtime session and the
// hold-to-talk key for the voice ones. The same file keeps the desktop's remote-control
// consent between runs.
class UserSettings final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool startInQuietMode READ startInQuietMode WRITE setStartInQuietMode NOTIFY
                   startInQuietModeChanged)
    Q_PROPERTY(bool readResponsesAloud READ readResponsesAloud WRITE setReadResponsesAloud NOTIFY
                   readResponsesAloudChanged)
    Q_PROPERTY(bool allowComputerControl READ allowComputerControl WRITE setAllowComputerControl
                   NOTIFY allowComputerControlChanged)
    Q_PROPERTY(QString preferredAssistantProvider READ preferredAssistantProvider WRITE
                   setPreferredAssistantProvider NOTIFY preferredAssistantProviderChanged)
    Q_PROPERTY(bool letScriptsUseNetwork READ letScriptsUseNetwork WRITE setLetScriptsUseNetwork
                   NOTIFY letScriptsUseNetworkChanged)
    Q_PROPERTY(bool interruptAnswersBySpeaking READ interruptAnswersBySpeaking WRITE
                   setInterruptAnswersBySpeaking NOTIFY interruptAnswersBySpeakingChanged)
    Q_PROPERTY(QString holdToTalkShortcut READ holdToTalkShortcut WRITE setHoldToTalkShortcut NOTIFY
                   holdToTalkShortcutChanged)
    Q_PROPERTY(bool startAtLogin READ startAtLogin WRITE setStartAtLogin NOTIFY startAtLoginChanged)

public:
    static inline const QString startInQuietModeKey = QStringLiteral("startInQuietMode");
    static inline const QString readResponsesAloudKey = QStringLiteral("readResponsesAloud");
    static inline const QString allowComputerControlKey = QStringLiteral("allowComputerControl");
    static inline const QString preferredAssistantProviderKey =
        QStringLiteral("preferredAssistantProvider");
    static inline const QString letScriptsUseNetworkKey = QStringLiteral("letScriptsUseNetwork");
    static inline const QString interruptAnswersBySpeakingKey =
        QStringLiteral("interruptAnswersBySpeaking");
    static inline const QString holdToTalkShortcutKey = QStringLiteral("holdToTalkShortcut");
    static inline const QString defaultHoldToTalkShortcut = QStringLiteral("Ctrl+Alt+Space");
    static inline const QString remoteControlRestoreTokenKey =
        QStringLiteral("remoteControlRestoreToken");
    static inline const QString startAtLoginKey = QStringLiteral("startAtLogin");

    // The user's own settings file.
    explicit UserSettings(QObject* parent = nullptr);
    // A settings file at `iniPath`, for tests and tools.
    explicit UserSettings(const QString& iniPath, QObject* parent = nullptr);
    ~UserSettings() override;
    Q_DISABLE_COPY_MOVE(UserSettings)

    bool startInQuietMode() const;
    void setStartInQuietMode(bool value);
    bool readResponsesAloud() const;
    void setReadResponsesAloud(bool value);
    bool allowComputerControl() const;
    void setAllowComputerControl(bool value);
    QString preferredAssistantProvider() const;
    void setPreferredAssistantProvider(const QString& value);
    bool letScriptsUseNetwork() const;
    void setLetScriptsUseNetwork(bool value);
    // Talking over an answer stops it; only where the microphone is echo-cancelled.
    bool interruptAnswersBySpeaking() const;
    void setInterruptAnswersBySpeaking(bool value);
    // The keys held to talk, as KeyCombination writes them.
    QString holdToTalkShortcut() const;
    void setHoldToTalkShortcut(const QString& value);
    // Start hidden at login, listen for the wake phrase, keep running when the window closes.
    bool startAtLogin() const;
    void setStartAtLogin(bool value);

    // The remote-desktop portal's token for the person's consent to Korvane's control of the
    // keyboard and pointer; empty when none was given.
    QString remoteControlRestoreToken() const;
    void setRemoteControlRestoreToken(const QString& token);

    QString fileName() const;

Q_SIGNALS:
    void startInQuietModeChanged();
    void readResponsesAloudChanged();
    void allowComputerControlChanged();
    void preferredAssistantProviderChanged();
    void letScriptsUseNetworkChanged();
    void interruptAnswersBySpeakingChanged();
    void holdToTalkShortcutChanged();
    void startAtLoginChanged();

private:
    bool store(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace korvane
