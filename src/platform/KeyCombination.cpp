// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyCombination.h"

#include <QList>

#include <array>

namespace korvane {

namespace {

struct ModifierName {
    QStringView name;
    KeyCombination::Modifier modifier;
};

constexpr std::array modifierNames{
    ModifierName{u"ctrl", KeyCombination::control},
    ModifierName{u"control", KeyCombination::control},
    ModifierName{u"alt", KeyCombination::alt},
    ModifierName{u"shift", KeyCombination::shift},
    ModifierName{u"meta", KeyCombination::meta},
    ModifierName{u"super", KeyCombination::meta},
    ModifierName{u"win", KeyCombination::meta},
    ModifierName{u"logo", KeyCombination::meta},
};

struct KeyName {
    QStringView written;
    QStringView keysym;
};

// Names people and Qt write for keys whose X keysym is spelt otherwise.
constexpr std::array keyNames{
    KeyName{u"space", u"space"},
    KeyName{u"enter", u"Return"},
    KeyName{u"return", u"Return"},
    KeyName{u"esc", u"Escape"},
    KeyName{u"escape", u"Escape"},
    KeyName{u"tab", u"Tab"},
    KeyName{u"backspace", u"BackSpace"},
    KeyName{u"ins", u"Insert"},
    KeyName{u"insert", u"Insert"},
    KeyName{u"del", u"Delete"},
    KeyName{u"delete", u"Delete"},
    KeyName{u"pgup", u"Prior"},
    KeyName{u"pageup", u"Prior"},
    KeyName{u"pgdown", u"Next"},
    KeyName{u"pagedown", u"Next"},
    KeyName{u"home", u"Home"},
    KeyName{u"end", u"End"},
    KeyName{u"left", u"Left"},
    KeyName{u"right", u"Right"},
    KeyName{u"up", u"Up"},
    KeyName{u"down", u"Down"},
    KeyName{u"pause", u"Pause"},
    KeyName{u"print", u"Print"},
    KeyName{u"scrolllock", u"Scroll_Lock"},
    KeyName{u"menu", u"Menu"},
};

std::optional<QString> keysymName(QStringView written)
{
    for (const KeyName& name : keyNames) {
        if (written.compare(name.written, Qt::CaseInsensitive) == 0)
            return name.keysym.toString();
    }
    if (written.size() == 1 && written.at(0).isLetterOrNumber() && written.at(0).unicode() < 0x80)
        return written.toString().toLower();
    // Function keys F1 to F35.
    if (written.size() >= 2 && written.size() <= 3 && written.at(0).toLower() == u'f') {
        bool isNumber = false;
        const int number = written.mid(1).toInt(&isNumber);
        if (isNumber && number >= 1 && number <= 35)
            return u'F' + QString::number(number);
    }
    return std::nullopt;
}

QString displayName(const QString& keysym)
{
    if (keysym == u"space")
        return QStringLiteral("Space");
    if (keysym.size() == 1)
        return keysym.toUpper();
    return keysym;
}

} // namespace

std::optional<KeyCombination> KeyCombination::parse(QStringView text)
{
    const QList<QStringView> parts = text.trimmed().split(u'+');
    KeyCombination combination;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QStringView part = parts.at(i).trimmed();
        const auto found = std::find_if(
            modifierNames.begin(), modifierNames.end(), [part](const ModifierName& name) {
                return part.compare(name.name, Qt::CaseInsensitive) == 0;
            });
        if (found == modifierNames.end())
            return std::nullopt;
        combination.modifiers |= found->modifier;
    }
    const std::optional<QString> key = keysymName(parts.constLast().trimmed());
    if (!key)
        return std::nullopt;
    combination.key = *key;
    return combination;
}

QString KeyCombination::text() const
{
    QString text;
    for (const auto& [flag, name] : {std::pair{control, u"Ctrl+"}, std::pair{alt, u"Alt+"},
                                     std::pair{shift, u"Shift+"}, std::pair{meta, u"Meta+"}}) {
        if (modifiers & flag)
            text += QStringView(name);
    }
    return text + displayName(key);
}

QString KeyCombination::portalTrigger() const
{
    QString trigger;
    for (const auto& [flag, name] : {std::pair{control, u"CTRL+"}, std::pair{alt, u"ALT+"},
                                     std::pair{shift, u"SHIFT+"}, std::pair{meta, u"LOGO+"}}) {
        if (modifiers & flag)
            trigger += QStringView(name);
    }
    return trigger + key;
}

} // namespace korvane
