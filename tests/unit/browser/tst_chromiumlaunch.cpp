#include "core/Configuration.h"
#include "platform/linux/devtools/ChromiumLaunchFlags.h"
#include "platform/linux/devtools/KnownBrowsers.h"

#include <QDir>
#include <QTest>

using namespace korvane;

using OptionalTarget = std::optional<BrowserTarget>;
Q_DECLARE_METATYPE(OptionalTarget)
using OptionalPort = std::optional<quint16>;
Q_DECLARE_METATYPE(OptionalPort)
using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

class ChromiumLaunchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void knownBrowsers_data();
    void knownBrowsers();
    void configuredPort_data();
    void configuredPort();
    void commandLine_data();
    void commandLine();
    void profileFollowsXdgDataHome_data();
    void profileFollowsXdgDataHome();
};

void ChromiumLaunchTest::init()
{
    qputenv("KORVANE_ENV_FILES", "");
    qunsetenv("KORVANE_BROWSER_DEBUG_PORT");
    qputenv("XDG_DATA_HOME", "/data");
}

void ChromiumLaunchTest::cleanup()
{
    qunsetenv("KORVANE_BROWSER_DEBUG_PORT");
    qunsetenv("XDG_DATA_HOME");
}

void ChromiumLaunchTest::knownBrowsers_data()
{
    QTest::addColumn<OptionalText>("desktopId");
    QTest::addColumn<QString>("windowClass");
    QTest::addColumn<OptionalTarget>("expected");

    const auto chromium = [](const char16_t* name) {
        return OptionalTarget(BrowserTarget{QString::fromUtf16(name), BrowserStyle::chromium});
    };
    QTest::newRow("chromium") << OptionalText(u"chromium.desktop"_qs) << u"Chromium"_qs
                              << chromium(u"Chromium");
    QTest::newRow("chrome") << OptionalText(u"google-chrome.desktop"_qs) << u"Google-chrome"_qs
                            << chromium(u"Google Chrome");
    QTest::newRow("chrome beta") << OptionalText(u"google-chrome-beta.desktop"_qs) << QString()
                                 << chromium(u"Google Chrome Beta");
    QTest::newRow("chrome unstable") << OptionalText(u"google-chrome-unstable.desktop"_qs)
                                     << QString() << chromium(u"Google Chrome Dev");
    QTest::newRow("brave") << OptionalText(u"brave-browser.desktop"_qs) << u"Brave-browser"_qs
                           << chromium(u"Brave Browser");
    QTest::newRow("edge") << OptionalText(u"microsoft-edge.desktop"_qs) << u"Microsoft-edge"_qs
                          << chromium(u"Microsoft Edge");
    QTest::newRow("vivaldi") << OptionalText(u"vivaldi-stable.desktop"_qs) << u"Vivaldi-stable"_qs
                             << chromium(u"Vivaldi");
    QTest::newRow("no entry: window class")
        << OptionalText() << u"Google-chrome"_qs << chromium(u"Google Chrome");
    QTest::newRow("no entry: class in any case")
        << OptionalText() << u"BRAVE-BROWSER"_qs << chromium(u"Brave Browser");
    QTest::newRow("firefox") << OptionalText(u"firefox-esr.desktop"_qs) << u"firefox-esr"_qs
                             << OptionalTarget();
    QTest::newRow("installed web app of chrome")
        << OptionalText(u"chrome-abcdef-Default.desktop"_qs) << u"crx_abcdef"_qs
        << OptionalTarget();
    QTest::newRow("desktop id must match whole")
        << OptionalText(u"chromium"_qs) << QString() << OptionalTarget();
    QTest::newRow("nothing known") << OptionalText() << QString() << OptionalTarget();
}

void ChromiumLaunchTest::knownBrowsers()
{
    QFETCH(OptionalText, desktopId);
    QFETCH(QString, windowClass);
    QFETCH(OptionalTarget, expected);
    QCOMPARE(KnownBrowsers::target({desktopId, windowClass, 42}), expected);
}

void ChromiumLaunchTest::configuredPort_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<OptionalPort>("expected");
    QTest::newRow("default") << QByteArray() << OptionalPort(9222);
    QTest::newRow("configured") << QByteArray("9333") << OptionalPort(9333);
    QTest::newRow("spaces") << QByteArray(" 9444 ") << OptionalPort(9444);
    QTest::newRow("highest") << QByteArray("65535") << OptionalPort(65535);
    QTest::newRow("zero") << QByteArray("0") << OptionalPort();
    QTest::newRow("too large") << QByteArray("65536") << OptionalPort();
    QTest::newRow("negative") << QByteArray("-1") << OptionalPort();
    QTest::newRow("words") << QByteArray("auto") << OptionalPort();
}

void ChromiumLaunchTest::configuredPort()
{
    QFETCH(QByteArray, setting);
    QFETCH(OptionalPort, expected);
    if (!setting.isEmpty())
        qputenv("KORVANE_BROWSER_DEBUG_PORT", setting);
    QCOMPARE(Configuration::browserDebugPort(), expected);
}

void ChromiumLaunchTest::commandLine_data()
{
    QTest::addColumn<QString>("desktopId");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QStringList>("expected");

    const QStringList flags9222{u"--remote-debugging-port=9222"_qs,
                                u"--remote-allow-origins=http://127.0.0.1:9222"_qs,
                                u"--user-data-dir=/data/korvane/browser-profile"_qs};
    QTest::newRow("chromium") << u"chromium.desktop"_qs << QByteArray()
                              << QStringList{u"/usr/bin/chromium"_qs}
                              << QStringList{u"/usr/bin/chromium"_qs} + flags9222;
    QTest::newRow("configured port")
        << u"google-chrome.desktop"_qs << QByteArray("9333")
        << QStringList{u"/usr/bin/google-chrome-stable"_qs}
        << QStringList{u"/usr/bin/google-chrome-stable"_qs, u"--remote-debugging-port=9333"_qs,
                       u"--remote-allow-origins=http://127.0.0.1:9333"_qs,
                       u"--user-data-dir=/data/korvane/browser-profile"_qs};
    QTest::newRow("switches the entry sets are kept")
        << u"brave-browser.desktop"_qs << QByteArray()
        << QStringList{u"brave"_qs, u"--user-data-dir=/mine"_qs, u"--incognito"_qs}
        << QStringList{u"brave"_qs, u"--user-data-dir=/mine"_qs, u"--incognito"_qs,
                       u"--remote-debugging-port=9222"_qs,
                       u"--remote-allow-origins=http://127.0.0.1:9222"_qs};
    QTest::newRow("other browsers unchanged")
        << u"firefox-esr.desktop"_qs << QByteArray() << QStringList{u"/usr/bin/firefox-esr"_qs}
        << QStringList{u"/usr/bin/firefox-esr"_qs};
    QTest::newRow("invalid port: unchanged")
        << u"chromium.desktop"_qs << QByteArray("none") << QStringList{u"/usr/bin/chromium"_qs}
        << QStringList{u"/usr/bin/chromium"_qs};
    QTest::newRow("empty command")
        << u"chromium.desktop"_qs << QByteArray() << QStringList() << QStringList();
}

void ChromiumLaunchTest::commandLine()
{
    QFETCH(QString, desktopId);
    QFETCH(QByteArray, port);
    QFETCH(QStringList, command);
    QFETCH(QStringList, expected);
    if (!port.isEmpty())
        qputenv("KORVANE_BROWSER_DEBUG_PORT", port);
    QCOMPARE(ChromiumLaunchFlags::commandLine(desktopId, command), expected);
}

void ChromiumLaunchTest::profileFollowsXdgDataHome_data()
{
    QTest::addColumn<QByteArray>("dataHome");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absolute") << QByteArray("/srv/data") << u"/srv/data/korvane/browser-profile"_qs;
    QTest::newRow("relative is ignored")
        << QByteArray("data") << QDir::home().filePath(u".local/share/korvane/browser-profile"_qs);
    QTest::newRow("unset") << QByteArray()
                           << QDir::home().filePath(u".local/share/korvane/browser-profile"_qs);
}

void ChromiumLaunchTest::profileFollowsXdgDataHome()
{
    QFETCH(QByteArray, dataHome);
    QFETCH(QString, expected);
    if (dataHome.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome);
    QCOMPARE(ChromiumLaunchFlags::profileFolder(), expected);
}

QTEST_GUILESS_MAIN(ChromiumLaunchTest)
#include "tst_chromiumlaunch.moc"
