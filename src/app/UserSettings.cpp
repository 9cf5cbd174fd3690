// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UserSettings.h"

#include "core/AssistantProviderKind.h"

#include <QSettings>

namespace korvane {

UserSettings::UserSettings(QObject* parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("korvane"), QStringLiteral("Korvane")))
{
}

UserSettings::UserSettings(const QString& iniPath, QObject* parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

UserSettings::~UserSettings() = default;

bool UserSettings::store(const QString& key, const QVariant& value)
{
    if (m_settings->contains(key) && m_settings->value(key) == value)
        return false;
    m_settings->setValue(key, value);
    m_settings->sync();
    return true;
}

bool UserSettings::startInQuietMode() const
{
    return m_settings->value(startInQuietModeKey, true).toBool();
}

void UserSettings::setStartInQuietMode(bool value)
{
    if (store(startInQuietModeKey, value))
        Q_EMIT startInQuietModeChanged();
}

bool UserSettings::readResponsesAloud() const
{
    return m_settings->value(readResponsesAloudKey, false).toBool();
}

void UserSettings::setReadResponsesAloud(bool value)
{
    if (store(readResponsesAloudKey, value))
        Q_EMIT readResponsesAloudChanged();
}

bool UserSettings::allowComputerControl() const
{
    return m_settings->value(allowComputerControlKey, false).toBool();
}

void UserSettings::setAllowComputerControl(bool value)
{
    if (store(allowComputerControlKey, value))
        Q_EMIT allowComputerControlChanged();
}

QString UserSettings::preferredAssistantProvider() const
{
    return m_settings->value(preferredAssistantProviderKey, rawValue(AssistantProviderKind::openAI))
        .toString();
}

void UserSettings::setPreferredAssistantProvider(const QString& value)
{
    if (store(preferredAssistantProviderKey, value))
        Q_EMIT preferredAssistantProviderChanged();
}

bool UserSettings::letScriptsUseNetwork() const
{
    return m_settings->value(letScriptsUseNetworkKey, false).toBool();
}

void UserSettings::setLetScriptsUseNetwork(bool value)
{
    if (store(letScriptsUseNetworkKey, value))
        Q_EMIT letScriptsUseNetworkChanged();
}

bool UserSettings::interruptAnswersBySpeaking() const
{
    return m_settings->value(interruptAnswersBySpeakingKey, true).toBool();
}

void UserSettings::setInterruptAnswersBySpeaking(bool value)
{
    if (store(interruptAnswersBySpeakingKey, value))
        Q_EMIT interruptAnswersBySpeakingChanged();
}

QString UserSettings::holdToTalkShortcut() const
{
    return m_settings->value(holdToTalkShortcutKey, defaultHoldToTalkShortcut).toString();
}

void UserSettings::setHoldToTalkShortcut(const QString& value)
{
    if (store(holdToTalkShortcutKey, value))
        Q_EMIT holdToTalkShortcutChanged();
}

bool UserSettings::startAtLogin() const
{
    return m_settings->value(startAtLoginKey, false).toBool();
}

void UserSettings::setStartAtLogin(bool value)
{
    if (store(startAtLoginKey, value))
        Q_EMIT startAtLoginChanged();
}

QString UserSettings::remoteControlRestoreToken() const
{
    return m_settings->value(remoteControlRestoreTokenKey).toString();
}

void UserSettings::setRemoteControlRestoreToken(const QString& token)
{
    store(remoteControlRestoreTokenKey, token);
}

QString UserSettings::fileName() const
{
    return m_settings->fileName();
}

} // namespace korvane
