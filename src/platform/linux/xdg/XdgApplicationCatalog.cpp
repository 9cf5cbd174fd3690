// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>

namespace korvane {

namespace {

const QString desktopSuffix = QStringLiteral(".desktop");

QString dataHome()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::home().filePath(QStringLiteral(".local/share"));
}

QStringList dataDirs()
{
    QStringList dirs;
    for (const QString& dir :
         qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(dir);
    }
    if (dirs.isEmpty())
        dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs;
}

bool isNeverDescended(const QString& name)
{
    return name == u"Contents" || name == u"Frameworks" || name == u"Resources" ||
           name == u"Versions";
}

struct FoundEntry {
    QString id;
    QString path;
};

void findEntries(const QString& folder, const QString& idPrefix, int depth,
                 QList<FoundEntry>& found)
{
    if (depth > XdgApplicationCatalog::maximumDepth)
        return;
    // Hidden files are skipped; unreadable folders give nothing.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries) {
        const QString name = info.fileName();
        if (name.endsWith(desktopSuffix) && !info.isDir()) {
            found.append({idPrefix + name, info.filePath()});
        } else if (info.isDir() && !isNeverDescended(name)) {
            findEntries(info.filePath(), idPrefix + name + u'-', depth + 1, found);
        }
    }
}

// Desktop files by ID in precedence order; an ID seen before hides the later file.
QList<FoundEntry> enumerate(const QStringList& folders)
{
    QList<FoundEntry> all;
    for (const QString& folder : folders)
        findEntries(folder, QString(), 0, all);
    QSet<QString> seen;
    QList<FoundEntry> unique;
    for (FoundEntry& entry : all) {
        if (seen.contains(entry.id))
            continue;
        seen.insert(entry.id);
        unique.append(std::move(entry));
    }
    return unique;
}

QString fallbackName(const QString& path)
{
    return QFileInfo(path).completeBaseName();
}

InstalledApplication resolved(const DesktopEntry& entry)
{
    return {entry.name.isEmpty() ? fallbackName(entry.filePath) : entry.name,
            QUrl::fromLocalFile(entry.filePath)};
}

// One line from a desktop tool, or nothing when it fails or takes too long.
QString toolAnswer(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

QStringList XdgApplicationCatalog::applicationSearchDirectories() const
{
    QStringList folders{QDir(dataHome()).filePath(QStringLiteral("applications"))};
    for (const QString& dir : dataDirs()) {
        const QString folder = QDir(dir).filePath(QStringLiteral("applications"));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

QList<DesktopEntry> XdgApplicationCatalog::desktopEntries() const
{
    QList<DesktopEntry> entries;
    for (const FoundEntry& found : enumerate(applicationSearchDirectories())) {
        std::optional<DesktopEntry> entry = readDesktopEntry(found.path, found.id);
        if (entry && entry->isLaunchable())
            entries.append(std::move(*entry));
    }
    return entries;
}

QList<InstalledApplication> XdgApplicationCatalog::installedApplications() const
{
    QList<InstalledApplication> applications;
    for (const DesktopEntry& entry : desktopEntries())
        applications.append(resolved(entry));
    return applications;
}

std::optional<DesktopEntry> XdgApplicationCatalog::entryForId(const QString& desktopId) const
{
    if (!desktopId.endsWith(desktopSuffix))
        return std::nullopt;
    // The ID maps back to a path in each folder: "-" may have been a folder separator.
    for (const QString& folder : applicationSearchDirectories()) {
        // Entries lie at most two folders deep, so at most two dashes stand for separators.
        QStringList candidates{desktopId};
        QList<qsizetype> dashes;
        for (qsizetype dash = desktopId.indexOf(u'-'); dash >= 0;
             dash = desktopId.indexOf(u'-', dash + 1))
            dashes.append(dash);
        for (qsizetype i = 0; i < dashes.size(); ++i) {
            QString once = desktopId;
            once[dashes[i]] = u'/';
            candidates.append(once);
            for (qsizetype j = i + 1; j < dashes.size(); ++j) {
                QString twice = once;
                twice[dashes[j]] = u'/';
                candidates.append(twice);
            }
        }
        for (const QString& relative : std::as_const(candidates)) {
            const QString filePath = QDir(folder).filePath(relative);
            if (!QFileInfo(filePath).isFile())
                continue;
            // The first file with this ID decides, even when it hides the application.
            std::optional<DesktopEntry> entry = readDesktopEntry(filePath, desktopId);
            if (entry && entry->isLaunchable())
                return entry;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntry> XdgApplicationCatalog::entryAt(const QUrl& application) const
{
    if (!application.isLocalFile())
        return std::nullopt;
    const QString path = QFileInfo(application.toLocalFile()).absoluteFilePath();
    const std::optional<QString> id = desktopEntryId(application);
    if (!id)
        return std::nullopt;
    return readDesktopEntry(path, *id);
}

std::optional<QString> XdgApplicationCatalog::desktopEntryId(const QUrl& application) const
{
    if (!application.isLocalFile())
        return std::nullopt;
    const QString path = QDir::cleanPath(QFileInfo(application.toLocalFile()).absoluteFilePath());
    if (!path.endsWith(desktopSuffix))
        return std::nullopt;
    for (const QString& folder : applicationSearchDirectories()) {
        const QString prefix = QDir::cleanPath(folder) + u'/';
        if (path.startsWith(prefix))
            return path.mid(prefix.size()).replace(u'/', u'-');
    }
    return QFileInfo(path).fileName();
}

std::optional<InstalledApplication>
XdgApplicationCatalog::applicationForRole(const QString& role) const
{
    // A desktop file ID asked for directly.
    if (std::optional<DesktopEntry> entry = entryForId(role))
        return resolved(*entry);

    for (const Role& known : roles()) {
        if (known.role != role)
            continue;
        QStringList candidates;
        if (!known.setting.isEmpty())
            candidates << toolAnswer(QStringLiteral("xdg-settings"),
                                     {QStringLiteral("get"), known.setting});
        for (const QString& mimeType : known.mimeTypes)
            candidates << toolAnswer(
                QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
        candidates << known.commonDesktopIds;
        for (const QString& candidate : std::as_const(candidates)) {
            // xdg-mime may list several IDs separated by ';'.
            for (const QString& id : candidate.split(u';', Qt::SkipEmptyParts)) {
                if (std::optional<DesktopEntry> entry = entryForId(id.trimmed()))
                    return resolved(*entry);
            }
        }
    }
    return std::nullopt;
}

QList<XdgApplicationCatalog::Role> XdgApplicationCatalog::roles()
{
    const auto ids = [](std::initializer_list<const char*> names) {
        QStringList list;
        for (const char* name : names)
            list.append(QString::fromLatin1(name) + desktopSuffix);
        return list;
    };
    const QString browserSetting = QStringLiteral("default-web-browser");
    const QStringList videoPlayers =
        ids({"vlc", "mpv", "org.gnome.Totem", "io.github.celluloid_player.Celluloid", "smplayer"});
    return {
        {QStringLiteral("web browser"),
         browserSetting,
         {QStringLiteral("x-scheme-handler/https")},
         ids({"firefox-esr", "firefox", "org.mozilla.firefox", "chromium", "google-chrome",
              "org.gnome.Epiphany", "brave-browser", "microsoft-edge"})},
        {QStringLiteral("terminal"),
         {},
         {},
         ids({"org.gnome.Terminal", "org.gnome.Console", "org.kde.konsole", "xfce4-terminal",
              "lxterminal", "mate-terminal", "terminator", "debian-uxterm", "debian-xterm",
              "xterm"})},
        {QStringLiteral("text editor"),
         {},
         {QStringLiteral("text/plain")},
         ids({"org.gnome.TextEditor", "org.gnome.gedit", "org.kde.kate", "org.kde.kwrite",
              "org.xfce.mousepad", "mousepad", "pluma", "xed", "featherpad"})},
        {QStringLiteral("file manager"),
         {},
         {QStringLiteral("inode/directory")},
         ids({"org.gnome.Nautilus", "org.kde.dolphin", "thunar", "org.xfce.Thunar", "pcmanfm",
              "pcmanfm-qt", "nemo", "caja"})},
        {QStringLiteral("mail"),
         {},
         {QStringLiteral("x-scheme-handler/mailto")},
         ids({"thunderbird", "org.mozilla.Thunderbird", "org.gnome.Evolution", "org.kde.kmail2",
              "claws-mail", "geary", "org.gnome.Geary"})},
        {QStringLiteral("music player"),
         {},
         {QStringLiteral("audio/mpeg"), QStringLiteral("audio/flac")},
         ids({"org.gnome.Rhythmbox3", "rhythmbox", "org.gnome.Music", "org.kde.elisa", "audacious",
              "clementine", "org.strawberrymusicplayer.strawberry", "vlc"})},
        {QStringLiteral("document viewer"),
         {},
         {QStringLiteral("application/pdf")},
         ids({"org.gnome.Evince", "org.gnome.Papers", "okularApplication_pdf", "org.kde.okular",
              "atril", "xreader", "qpdfview", "mupdf"})},
        {QStringLiteral("calculator"),
         {},
         {},
         ids({"org.gnome.Calculator", "gnome-calculator", "org.kde.kcalc", "galculator",
              "mate-calc", "qalculate-gtk", "xcalc"})},
        {QStringLiteral("settings"),
         {},
         {},
         ids({"org.gnome.Settings", "gnome-control-center", "systemsettings", "kdesystemsettings",
              "xfce-settings-manager", "lxqt-config", "mate-control-center", "cinnamon-settings"})},
        {QStringLiteral("word processor"),
         {},
         {QStringLiteral("application/vnd.oasis.opendocument.text")},
         ids({"libreoffice-writer", "org.libreoffice.LibreOffice.writer", "abiword",
              "org.onlyoffice.desktopeditors"})},
        {QStringLiteral("spreadsheet"),
         {},
         {QStringLiteral("application/vnd.oasis.opendocument.spreadsheet")},
         ids({"libreoffice-calc", "org.libreoffice.LibreOffice.calc", "org.gnome.gnumeric",
              "gnumeric"})},
        {QStringLiteral("presentations"),
         {},
         {QStringLiteral("application/vnd.oasis.opendocument.presentation")},
         ids({"libreoffice-impress", "org.libreoffice.LibreOffice.impress"})},
        {QStringLiteral("calendar"),
         {},
         {QStringLiteral("text/calendar")},
         ids({"org.gnome.Calendar", "org.kde.korganizer", "org.kde.merkuro.calendar"})},
        {QStringLiteral("contacts"),
         {},
         {QStringLiteral("text/vcard")},
         ids({"org.gnome.Contacts", "org.kde.kaddressbook"})},
        {QStringLiteral("photos"),
         {},
         {QStringLiteral("image/jpeg")},
         ids({"org.gnome.Loupe", "org.gnome.eog", "eog", "shotwell", "org.gnome.Shotwell",
              "org.gnome.gThumb", "org.kde.gwenview", "ristretto", "eom", "gpicview"})},
        {QStringLiteral("video player"), {}, {QStringLiteral("video/mp4")}, videoPlayers},
        {QStringLiteral("video player"), {}, {QStringLiteral("video/mp4")}, videoPlayers},
        {QStringLiteral("software centre"),
         {},
         {},
         ids({"org.gnome.Software", "org.kde.discover", "synaptic"})},
        {QStringLiteral("maps"),
         {},
         {QStringLiteral("x-scheme-handler/geo")},
         ids({"org.gnome.Maps", "marble"})},
        {QStringLiteral("notes"),
         {},
         {},
         ids({"org.gnome.Notes", "gnote", "org.gnome.gnote", "xpad", "org.kde.knotes"})},
        {QStringLiteral("to-do list"), {}, {}, ids({"org.gnome.Todo", "org.gnome.Endeavour"})},
        {QStringLiteral("podcasts"),
         {},
         {},
         ids({"org.gnome.Podcasts", "gpodder", "org.gpodder.gpodder", "org.kde.kasts"})},
        {QStringLiteral("e-book reader"),
         {},
         {QStringLiteral("application/epub+zip")},
         ids({"com.github.johnfactotum.Foliate", "calibre-ebook-viewer", "calibre-gui"})},
        {QStringLiteral("music studio"), {}, {}, ids({"org.lmms.LMMS", "lmms", "ardour"})},
        {QStringLiteral("video calls"), {}, {}, {}},
        {QStringLiteral("messages"), {}, {}, {}},
        {QStringLiteral("whiteboard"),
         {},
         {},
         ids({"com.github.flxzt.rnote", "xournalpp", "com.github.xournalpp.xournalpp"})},
        {QStringLiteral("automation"), {}, {}, {}},
    };
}

} // namespace korvane
