// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"

#include "app/UserSettings.h"
#include "unit/app/AppFakes.h"

#include <QQmlApplicationEngine>
#include <QQmlError>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

namespace korvane::test {

namespace {

// The visual tree, not the object tree: QML puts declared items under their visual parents.
QQuickItem* findItem(QQuickItem* root, const QString& objectName)
{
    if (!root)
        return nullptr;
    if (root->objectName() == objectName)
        return root;
    const auto children = root->childItems();
    for (QQuickItem* child : children) {
        if (QQuickItem* found = findItem(child, objectName))
            return found;
    }
    return nullptr;
}

} // namespace

WindowFixture::WindowFixture(std::shared_ptr<ComputerUseService> executor)
    : m_settingsDir(std::make_unique<QTemporaryDir>())
    // Settings stored in a file of the fixture's own.
    , m_settings(std::make_unique<UserSettings>(m_settingsDir->filePath(u"Korvane.conf"_qs)))
    , m_harness(std::make_unique<AppModelHarness>(true, std::move(executor)))
{
}

WindowFixture::~WindowFixture() = default;

bool WindowFixture::load()
{
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->setOutputWarningsToStandardError(true);
    connect(m_engine.get(), &QQmlEngine::warnings, this, [this](const QList<QQmlError>& errors) {
        for (const QQmlError& error : errors)
            warnings.append(error.toString());
    });
    m_engine->setInitialProperties({
        {QStringLiteral("appModel"),
         QVariant::fromValue(static_cast<QObject*>(m_harness->model.get()))},
        {QStringLiteral("userSettings"),
         QVariant::fromValue(static_cast<QObject*>(m_settings.get()))},
    });
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Korvane/Ui/Main.qml")));
    if (m_engine->rootObjects().isEmpty())
        return false;
    m_window = qobject_cast<QQuickWindow*>(m_engine->rootObjects().constFirst());
    if (!m_window)
        return false;
    m_window->show();
    m_window->requestActivate();
    if (!QTest::qWaitForWindowExposed(m_window))
        return false;
    settle();
    return true;
}

QQuickItem* WindowFixture::item(const QString& objectName) const
{
    return m_window ? findItem(m_window->contentItem(), objectName) : nullptr;
}

QString WindowFixture::text(const QString& objectName) const
{
    const QQuickItem* found = item(objectName);
    return found ? found->property("text").toString() : QString();
}

void WindowFixture::settle()
{
    AppModelHarness::processEvents();
    if (m_window) {
        m_window->requestUpdate();
        QTest::qWait(30);
    }
    AppModelHarness::processEvents();
}

} // namespace korvane::test
