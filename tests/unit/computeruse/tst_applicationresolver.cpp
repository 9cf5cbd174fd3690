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

} // namespace

// The resolver over the real desktop-entry catalog, in data folders of the test's own.
class TestApplicationResolver : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    QString applications(const char* folder) const
    {
        return m_root.filePath(QString::fromUtf8(folder)) + u"/applications/"_qs;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        qputenv("XDG_DATA_HOME", m_root.filePath(u"home"_qs).toUtf8());
        qputenv("XDG_DATA_DIRS",
                (m_root.filePath(u"system"_qs) + u':' + m_root.filePath(u"shared"_qs)).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_root.filePath(u"config"_qs).toUtf8());
        qputenv("XDG_CONFIG_DIRS", m_root.filePath(u"config-dirs"_qs).toUtf8());
        qputenv("LC_ALL", "de_DE.UTF-8");
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DESKTOP_SESSION");

        struct Entry {
            const char* folder;
            const char* file;
            QByteArray name;
            QByteArray extra = {};
        };
        const Entry entries[] = {
            {"home", "photo-editor.desktop", "Photo Editor Pro"},
            // Enumerated before "Twin" (the home folder comes first) but sorts after it.
            {"home", "twin-b.desktop", "twin!"},
            {"system", "twin-a.desktop", "Twin"},
            {"system", "rechner.desktop", "Calculator Deluxe",
             "Name[de]=Rechner Deluxe\nName[fr]=Calculatrice\n"},
            {"system", "hidden.desktop", "Secret Tool", "Hidden=true\n"},
            {"system", "nodisplay.desktop", "Helper Daemon", "NoDisplay=true\n"},
            {"system", "missing.desktop", "Ghost Program", "TryExec=korvane-no-such-program\n"},
            // The user's copy hides the system one with the same desktop file ID.
            {"home", "shadowed.desktop", "Shadow Player", "Hidden=true\n"},
            {"shared", "shadowed.desktop", "Shadow Player"},
            {"system", "Folder/Sub/deep.desktop", "Deep Viewer"},
            {"system", "A/B/C/deeper.desktop", "Deeper Viewer"},
            {"system", "Contents/inside.desktop", "Inside Tool"},
            {"system", ".hidden-file.desktop", "Dot Tool"},
            {"shared", "org.gnome.Calculator.desktop", "Calculator"},
            {"shared", "mybrowser.desktop", "My Browser"},
            {"shared", "facetime-linux.desktop", "FaceTime for Linux"},
        };
        for (const Entry& entry : entries)
            writeFile(applications(entry.folder) + QString::fromUtf8(entry.file),
                      "[Desktop Entry]\nType=Application\nName=" + entry.name + "\nExec=true %U\n" +
                          entry.extra);
        writeFile(m_root.filePath(u"config/mimeapps.list"_qs),
                  "[Default Applications]\nx-scheme-handler/https=mybrowser.desktop\n"
                  "x-scheme-handler/http=mybrowser.desktop\n");
    }

    void resolves_data()
    {
        QTest::addColumn<QString>("spoken");
        QTest::addColumn<QString>("file"); // empty: nothing found
        const auto row = [](const char* name, const char* spoken, const char* file = "") {
            QTest::newRow(name) << QString::fromUtf8(spoken) << QString::fromUtf8(file);
        };
        row("containment, the .app suffix and case dropped", " Editor.APP", "photo-editor.desktop");
        row("equal names: first in sort order", "twin", "twin-a.desktop");
        row("localized name", "Rechner Deluxe", "rechner.desktop");
        row("two folders deep", "deep viewer", "deep.desktop");
        row("three folders deep is not found", "deeper viewer");
        row("never-descended folder", "inside tool");
        row("hidden file", "dot tool");
        row("Hidden entry", "secret tool");
        row("NoDisplay entry", "helper daemon");
        row("TryExec missing", "ghost program");
        row("shadowed by a hidden user entry", "shadow player");
        row("role by common desktop ID", "Calculator.app", "org.gnome.Calculator.desktop");
        row("role by the desktop's default", "Safari", "mybrowser.desktop");
        row("role without application falls through", "FaceTime", "facetime-linux.desktop");
    }
    void resolves()
    {
        QFETCH(QString, spoken);
        QFETCH(QString, file);
        const XdgApplicationCatalog catalog;
        const std::optional<InstalledApplication> found =
            MacApplicationResolver(catalog).resolve(spoken);
        QCOMPARE(found ? found->url.fileName() : QString(), file);
    }

    void wellKnownTable()
    {
        // Every spoken name leads to a role this desktop's catalog answers.
        QSet<QString> roles;
        for (const XdgApplicationCatalog::Role& role : XdgApplicationCatalog::roles())
            roles.insert(role.role);
        for (const QString& identifier : MacApplicationResolver::defaultKnownRoles())
            QVERIFY2(roles.contains(identifier), qPrintable(identifier));
    }

    void desktopFileIds()
    {
        const XdgApplicationCatalog catalog;
        QCOMPARE(catalog.desktopEntryId(
                     QUrl::fromLocalFile(applications("system") + u"Folder/Sub/deep.desktop"_qs)),
                 u"Folder-Sub-deep.desktop"_qs);
        QVERIFY(catalog.entryForId(u"Folder-Sub-deep.desktop"_qs));
        QVERIFY(!catalog.entryForId(u"shadowed.desktop"_qs));
        QCOMPARE(catalog.applicationSearchDirectories().first() + u'/', applications("home"));
    }

    void splitsExecLines_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<std::optional<QStringList>>("words");
        QTest::newRow("quoted program")
            << u"\"/opt/my app/run\" --flag %F"_qs
            << std::optional<QStringList>{{u"/opt/my app/run"_qs, u"--flag"_qs}};
        QTest::newRow("percent escape, field codes dropped")
            << u"app 100%% %u %i %c %k"_qs << std::optional<QStringList>{{u"app"_qs, u"100%"_qs}};
        QTest::newRow("escapes inside quotes")
            << u"sh -c \"echo \\\"hi\\\" \\$HOME\""_qs
            << std::optional<QStringList>{{u"sh"_qs, u"-c"_qs, u"echo \"hi\" $HOME"_qs}};
        QTest::newRow("unterminated quote") << u"app \"open"_qs << std::optional<QStringList>{};
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
