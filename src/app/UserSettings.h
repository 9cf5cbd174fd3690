#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSettings;

namespace korvane {

// The persisted user settings (~/.config/korvane/Korvane.conf). Only the settings window
// reads them, and the program's start for startAtLogin. The same file keeps the desktop's
// remote-control consent between runs.
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
    Q_PROPERTY(bool startAtLogin READ startAtLogin WRITE setStartAtLogin NOTIFY startAtLoginChanged)

public:
    static inline const QString startInQuietModeKey = QStringLiteral("startInQuietMode");
    static inline const QString readResponsesAloudKey = QStringLiteral("readResponsesAloud");
    static inline const QString allowComputerControlKey = QStringLiteral("allowComputerControl");
    static inline const QString preferredAssistantProviderKey =
        QStringLiteral("preferredAssistantProvider");
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
    void startAtLoginChanged();

private:
    bool store(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace korvane
