// SPDX-License-Identifier: GPL-3.0-or-later
// How long one resolution takes on this machine's installed applications: the well-known table
// (answered through the desktop's defaults), the exact pass and the containment pass.
#include "computeruse/MacApplicationResolver.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QTest>

using namespace korvane;

class BenchApplicationResolver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listInstalled()
    {
        const XdgApplicationCatalog catalog;
        qsizetype count = 0;
        QBENCHMARK
        {
            count = catalog.installedApplications().size();
        }
        qInfo("installed applications: %lld", static_cast<long long>(count));
    }

    void resolve_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("table, by role") << QStringLiteral("terminal");
        QTest::newRow("scan, not found") << QStringLiteral("no such application anywhere");
    }
    void resolve()
    {
        QFETCH(QString, name);
        const XdgApplicationCatalog catalog;
        QBENCHMARK
        {
            (void)MacApplicationResolver(catalog).resolve(name);
        }
    }
};

QTEST_GUILESS_MAIN(BenchApplicationResolver)
#include "BenchApplicationResolver.moc"
