// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace korvane {

// The object a KWin script calls back on the session bus with what it found.
class KWinScriptReply final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.korva.Korvane.KWinReply")

public:
    static inline const QString interfaceName = QStringLiteral("com.korva.Korvane.KWinReply");

    using QObject::QObject;

    std::optional<QString> answer() const { return m_answer; }

public Q_SLOTS:
    Q_SCRIPTABLE void windows(const QString& json);

Q_SIGNALS:
    void received();

private:
    std::optional<QString> m_answer;
};

} // namespace korvane
