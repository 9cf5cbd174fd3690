// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>

class QDBusMessage;

namespace korvane {

// Which applications' windows became active, newest first, from the accessibility bus's
// window activation events: Wayland lets no program watch the other windows themselves.
// Listens from construction on; lives on the main thread.
class AtspiActivationHistory final : public QObject {
    Q_OBJECT

public:
    explicit AtspiActivationHistory(QObject* parent = nullptr);
    ~AtspiActivationHistory() override;
    Q_DISABLE_COPY_MOVE(AtspiActivationHistory)

    // Process ids, newest first, each once. Empty without an accessibility bus.
    QList<qint64> recentProcesses() const { return m_recent; }

private Q_SLOTS:
    void windowActivated(const QDBusMessage& message);

private:
    QString m_connectionName;
    QList<qint64> m_recent;
};

} // namespace korvane
