// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/MacApplicationResolver.h"
#include "platform/linux/xdg/DesktopEntry.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray entry(const QByteArray& name, const QByteArray& extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true %U\n" + extra;
}

} // namespace

class TestApplicationResolver : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_home;
    QString m_system;
    QString m_shared;

    QString path(const QString& folder, const QString& relative) const
    {
        return folder + QStringLiteral("/applications/") + relative;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_home = m_root.filePath(QStringLiteral("home"));
        m_system = m_root.filePath(QStringLiteral("system"));
        m_shared = m_root.filePath(QStringLiteral("shared"));
        qputenv("XDG_DATA_HOME", m_home.toUtf8());
        qputenv("XDG_DATA_DIRS", (m_system + u':' + m_shared).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", m_root.filePath(QStringLiteral("config-dirs")).toUtf8());
        qputenv("LC_ALL", "de_DE.UTF-8");
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DESKTOP_SESSION");

        writeFile(path(m_home, QStringLiteral("photo-editor.desktop")), entry("Photo Editor Pro"));
        // Enumerated before "Twin" (the home folder comes first) but sorts after it.
        writeFile(path(m_home, QStringLiteral("twin-b.desktop")), entry("twin!"));
        writeFile(path(m_system, QStringLiteral("twin-a.desktop")), entry("Twin"));
        writeFile(path(m_system, QStringLiteral("rechner.desktop")),
                  entry("Calculator Deluxe", "Name[de]=Rechner Deluxe\nName[fr]=Calculatrice\n"));
        writeFile(path(m_system, QStringLiteral("hidden.desktop")),
                  entry("Secret Tool", "Hidden=true\n"));
        writeFile(path(m_system, QStringLiteral("nodisplay.desktop")),
                  entry("Helper Daemon", "NoDisplay=true\n"));
        writeFile(path(m_system, QStringLiteral("missing.desktop")),
                  entry("Ghost Program", "TryExec=korvane-no-such-program\n"));
        // The user's copy hides the system one with the same desktop file ID.
        writeFile(path(m_home, QStringLiteral("shadowed.desktop")),
                  entry("Shadow Player", "Hidden=true\n"));
        writeFile(path(m_shared, QStringLiteral("shadowed.desktop")), entry("Shadow Player"));
        writeFile(path(m_system, QStringLiteral("Folder/Sub/deep.desktop")), entry("Deep Viewer"));
        writeFile(path(m_system, QStringLiteral("A/B/C/deeper.desktop")), entry("Deeper Viewer"));
        writeFile(path(m_system, QStringLiteral("Contents/inside.desktop")), entry("Inside Tool"));
        writeFile(path(m_system, QStringLiteral(".hidden-file.desktop")), entry("Dot Tool"));
        writeFile(path(m_shared, QStringLiteral("org.gnome.Calculator.desktop")),
                  entry("Calculator"));
        writeFile(path(m_shared, QStringLiteral("firefox.desktop")), entry("Firefox"));
        writeFile(path(m_shared, QStringLiteral("mybrowser.desktop")), entry("My Browser"));
        writeFile(path(m_shared, QStringLiteral("facetime-linux.desktop")),
                  entry("FaceTime for Linux"));
        writeFile(m_root.filePath(QStringLiteral("config/mimeapps.list")),
                  "[Default Applications]\nx-scheme-handler/https=mybrowser.desktop\n"
                  "x-scheme-handler/http=mybrowser.desktop\n");
    }

    void normalizesNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("normalized");
        QTest::newRow("punctuation, suffix and spaces")
            << QStringLiteral("  Photo-Editor  Pro.app ") << QStringLiteral("photoeditor pro");
        QTest::newRow("app anywhere")
            << QStringLiteral("System Settings.APP") << QStringLiteral("system settings");
        QTest::newRow("letters kept") << QStringLiteral("Éditeur 2") << QStringLiteral("éditeur 2");
        QTest::newRow("only punctuation") << QStringLiteral("?!") << QString();
    }
    void normalizesNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, normalized);
        QCOMPARE(MacApplicationResolver::normalizedName(name), normalized);
    }

    void resolves_data()
    {
        QTest::addColumn<QString>("spoken");
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("file");

        QTest::newRow("exact") << QStringLiteral("photo editor pro")
                               << QStringLiteral("Photo Editor Pro")
                               << QStringLiteral("photo-editor.desktop");
        QTest::newRow("containment")
            << QStringLiteral("editor") << QStringLiteral("Photo Editor Pro")
            << QStringLiteral("photo-editor.desktop");
        QTest::newRow("equal names: first in sort order")
            << QStringLiteral("twin") << QStringLiteral("Twin") << QStringLiteral("twin-a.desktop");
        QTest::newRow("localized name")
            << QStringLiteral("Rechner Deluxe") << QStringLiteral("Rechner Deluxe")
            << QStringLiteral("rechner.desktop");
        QTest::newRow("two folders deep")
            << QStringLiteral("deep viewer") << QStringLiteral("Deep Viewer")
            << QStringLiteral("deep.desktop");
        QTest::newRow("three folders deep is not found")
            << QStringLiteral("deeper viewer") << QString() << QString();
        QTest::newRow("never-descended folder")
            << QStringLiteral("inside tool") << QString() << QString();
        QTest::newRow("hidden file") << QStringLiteral("dot tool") << QString() << QString();
        QTest::newRow("Hidden entry") << QStringLiteral("secret tool") << QString() << QString();
        QTest::newRow("NoDisplay entry")
            << QStringLiteral("helper daemon") << QString() << QString();
        QTest::newRow("TryExec missing")
            << QStringLiteral("ghost program") << QString() << QString();
        QTest::newRow("shadowed by a hidden user entry")
            << QStringLiteral("shadow player") << QString() << QString();
        QTest::newRow("role by common desktop ID")
            << QStringLiteral("Calculator.app") << QStringLiteral("Calculator")
            << QStringLiteral("org.gnome.Calculator.desktop");
        QTest::newRow("role by the desktop's default")
            << QStringLiteral("Safari") << QStringLiteral("My Browser")
            << QStringLiteral("mybrowser.desktop");
        QTest::newRow("the browser, by any of its names")
            << QStringLiteral("web browser") << QStringLiteral("My Browser")
            << QStringLiteral("mybrowser.desktop");
        QTest::newRow("role without application falls through")
            << QStringLiteral("FaceTime") << QStringLiteral("FaceTime for Linux")
            << QStringLiteral("facetime-linux.desktop");
        QTest::newRow("unknown") << QStringLiteral("nothing like it") << QString() << QString();
    }
    void resolves()
    {
        QFETCH(QString, spoken);
        QFETCH(QString, displayName);
        QFETCH(QString, file);
        const XdgApplicationCatalog catalog;
        const std::optional<InstalledApplication> found =
            MacApplicationResolver(catalog).resolve(spoken);
        if (file.isEmpty()) {
            QVERIFY2(!found, qPrintable(found ? found->url.toString() : QString()));
            return;
        }
        QVERIFY(found);
        QCOMPARE(found->displayName, displayName);
        QCOMPARE(found->url.fileName(), file);
    }

    void wellKnownTable()
    {
        // Every spoken name leads to a role this desktop's catalog answers.
        const auto table = MacApplicationResolver::defaultKnownRoles();
        QSet<QString> roles;
        for (const XdgApplicationCatalog::Role& role : XdgApplicationCatalog::roles())
            roles.insert(role.role);
        for (const QString& identifier : table)
            QVERIFY2(roles.contains(identifier), qPrintable(identifier));
    }

    void desktopFileIds()
    {
        const XdgApplicationCatalog catalog;
        QCOMPARE(catalog.desktopEntryId(QUrl::fromLocalFile(
                     path(m_system, QStringLiteral("Folder/Sub/deep.desktop")))),
                 QStringLiteral("Folder-Sub-deep.desktop"));
        QVERIFY(catalog.entryForId(QStringLiteral("Folder-Sub-deep.desktop")));
        QVERIFY(!catalog.entryForId(QStringLiteral("shadowed.desktop")));
        QCOMPARE(catalog.applicationSearchDirectories().first(),
                 m_home + QStringLiteral("/applications"));
    }

    void splitsExecLines_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<std::optional<QStringList>>("words");
        QTest::newRow("field codes dropped")
            << QStringLiteral("firefox-esr %u")
            << std::optional<QStringList>{{QStringLiteral("firefox-esr")}};
        QTest::newRow("quoted program")
            << QStringLiteral("\"/opt/my app/run\" --flag %F")
            << std::optional<QStringList>{
                   {QStringLiteral("/opt/my app/run"), QStringLiteral("--flag")}};
        QTest::newRow("percent escape")
            << QStringLiteral("app 100%% %i %c %k")
            << std::optional<QStringList>{{QStringLiteral("app"), QStringLiteral("100%")}};
        QTest::newRow("escapes inside quotes")
            << QStringLiteral("sh -c \"echo \\\"hi\\\" \\$HOME\"")
            << std::optional<QStringList>{{QStringLiteral("sh"), QStringLiteral("-c"),
                                           QStringLiteral("echo \"hi\" $HOME")}};
        QTest::newRow("unterminated quote")
            << QStringLiteral("app \"open") << std::optional<QStringList>{};
    }
    void splitsExecLines()
    {
        QFETCH(QString, exec);
        QFETCH(std::optional<QStringList>, words);
        QCOMPARE(splitExecLine(exec), words);
    }
};

QTEST_GUILESS_MAIN(TestApplicationResolver)
#include "tst_applicationresolver.moc"
