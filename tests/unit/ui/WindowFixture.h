// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QQmlApplicationEngine;
class QTemporaryDir;
class QQuickItem;
class QQuickWindow;

namespace korvane {
class ComputerUseService;
class UserSettings;
} // namespace korvane

namespace korvane::test {

struct AppModelHarness;

// The main window loaded from the QML module and bound to a model with fake services.
// Collects every QML warning the engine reports while it lives.
class WindowFixture final : public QObject {
    Q_OBJECT

public:
    // With `executor`, the model carries commands out with it instead of the fake.
    explicit WindowFixture(std::shared_ptr<ComputerUseService> executor = {});
    ~WindowFixture() override;
    Q_DISABLE_COPY_MOVE(WindowFixture)

    // Loads Main.qml and waits until the window is exposed; false when either fails.
    bool load();

    AppModelHarness& harness() { return *m_harness; }
    QQuickWindow* window() const { return m_window; }
    QQuickItem* item(const QString& objectName) const;
    // The text of the named item; empty when there is no such item.
    QString text(const QString& objectName) const;
    // Lets queued callbacks, bindings and polish run, then renders one frame.
    void settle();

    QStringList warnings;

private:
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<AppModelHarness> m_harness;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow* m_window = nullptr;
};

} // namespace korvane::test
