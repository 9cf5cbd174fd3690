// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileOpening.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace korvane {

namespace {

const QString libreOffice = QStringLiteral("libreoffice");

QUrl fromPath(const QString& path)
{
    if (path.isEmpty())
        return QUrl::fromLocalFile(QDir::currentPath());
    return QUrl::fromLocalFile(QDir::isAbsolutePath(path) ? path
                                                          : QDir::current().absoluteFilePath(path));
}

// The LibreOffice program is shared; a component counts as installed when its desktop entry is.
bool libreOfficeComponentExists(const QString& desktopEntry)
{
    if (QStandardPaths::findExecutable(libreOffice).isEmpty())
        return false;
    return !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopEntry).isEmpty();
}

void printLine(const QString& line)
{
    QTextStream out(stdout);
    out << line << Qt::endl;
}

} // namespace

QUrl fileUrlForArtifactPath(QStringView trimmedPath)
{
    const QString text = trimmedPath.toString();
    if (text.startsWith(u"file://")) {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile())
            return url;
        return fromPath(text);
    }
    if (text.startsWith(u"file:")) {
        QString rest = text;
        rest.remove(QStringLiteral("file:"));
        return fromPath(rest);
    }
    return fromPath(text);
}

FileOpenPlan planFileOpen(QStringView path, bool presentationApplicationExists,
                          bool spreadsheetApplicationExists)
{
    FileOpenPlan plan;
    plan.trimmedPath = path.trimmed().toString();
    plan.url = fileUrlForArtifactPath(plan.trimmedPath);
    const QString extension = QFileInfo(plan.url.path()).suffix().toLower();
    plan.isPresentation = extension == u"pptx" || extension == u"ppt";
    plan.isSpreadsheet = extension == u"xlsx" || extension == u"xls" || extension == u"csv";
    if (plan.isPresentation && presentationApplicationExists)
        plan.target = FileOpenPlan::Target::presentationApplication;
    else if (plan.isSpreadsheet && spreadsheetApplicationExists)
        plan.target = FileOpenPlan::Target::spreadsheetApplication;
    plan.logLine = u"Open File clicked: path='" % plan.trimmedPath % u"', localPath='" %
                   plan.url.path() % u"', url='" % plan.url.toString(QUrl::FullyEncoded) %
                   u"', impressExists=" % (presentationApplicationExists ? u"true" : u"false");
    return plan;
}

bool presentationApplicationExists()
{
    return libreOfficeComponentExists(QStringLiteral("libreoffice-impress.desktop"));
}

bool spreadsheetApplicationExists()
{
    return libreOfficeComponentExists(QStringLiteral("libreoffice-calc.desktop"));
}

void openFile(const QString& path)
{
    const FileOpenPlan plan =
        planFileOpen(path, presentationApplicationExists(), spreadsheetApplicationExists());
    printLine(plan.logLine);
    switch (plan.target) {
    case FileOpenPlan::Target::presentationApplication:
        QProcess::startDetached(libreOffice, {QStringLiteral("--impress"), plan.url.path()});
        return;
    case FileOpenPlan::Target::spreadsheetApplication:
        QProcess::startDetached(libreOffice, {QStringLiteral("--calc"), plan.url.path()});
        return;
    case FileOpenPlan::Target::defaultApplication:
        QDesktopServices::openUrl(plan.url);
        return;
    }
}

QUrl imageSourceUrl(QStringView imagePath)
{
    const QString text = imagePath.trimmed().toString();
    if (text.startsWith(u'/'))
        return QUrl::fromLocalFile(text);
    return QUrl(text);
}

bool saveImage(const QString& source, const QUrl& destination)
{
    const auto fail = [](const QString& error) {
        printLine(
            QCoreApplication::translate("FileOpening", "Failed to save image: %1").arg(error));
        return false;
    };
    const QUrl sourceUrl = imageSourceUrl(source);
    if (!sourceUrl.isLocalFile())
        return fail(QCoreApplication::translate("FileOpening", "the image is not a local file: %1")
                        .arg(sourceUrl.toString(QUrl::FullyEncoded)));
    if (!destination.isLocalFile())
        return fail(
            QCoreApplication::translate("FileOpening", "the destination is not a local file: %1")
                .arg(destination.toString(QUrl::FullyEncoded)));
    const QString from = sourceUrl.toLocalFile();
    const QString to = destination.toLocalFile();
    if (!QFileInfo::exists(from))
        return fail(QCoreApplication::translate("FileOpening", "no such file: %1").arg(from));
    // Removing the destination first would delete the image itself.
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return true;
    // Copy beside the destination first so a failed copy leaves the old file alone.
    const QString staging = to % u".korvane-part";
    QFile::remove(staging);
    QFile input(from);
    if (!input.copy(staging))
        return fail(input.errorString());
    if (QFileInfo::exists(to) && !QFile::remove(to)) {
        QFile::remove(staging);
        return fail(QCoreApplication::translate("FileOpening", "cannot replace %1").arg(to));
    }
    if (!QFile::rename(staging, to)) {
        QFile::remove(staging);
        return fail(QCoreApplication::translate("FileOpening", "cannot write %1").arg(to));
    }
    return true;
}

} // namespace korvane
