// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

namespace korvane {

// Where an artifact's file is opened, decided without touching the desktop.
struct FileOpenPlan {
    enum class Target { presentationApplication, spreadsheetApplication, defaultApplication };

    QString trimmedPath{};
    QUrl url{};
    bool isPresentation = false;
    bool isSpreadsheet = false;
    Target target = Target::defaultApplication;
    // The standard-output line that records the click.
    QString logLine{};

    friend bool operator==(const FileOpenPlan&, const FileOpenPlan&) = default;
};

// The file URL an artifact path stands for: "file://" URLs, "file:"-prefixed paths and plain
// paths (relative ones against the working directory).
QUrl fileUrlForArtifactPath(QStringView trimmedPath);

FileOpenPlan planFileOpen(QStringView path, bool presentationApplicationExists,
                          bool spreadsheetApplicationExists);

// LibreOffice Impress and Calc stand for the desktop's presentation and spreadsheet programs.
bool presentationApplicationExists();
bool spreadsheetApplicationExists();

// Prints the plan's line and opens the file; a failed launch is dropped.
void openFile(const QString& path);

// Where an image of an artifact is loaded from: plain absolute paths become file URLs.
QUrl imageSourceUrl(QStringView imagePath);

// Copies the image at `source` to `destination`, replacing what is there only once the copy
// has succeeded. Failures are printed to standard output; returns whether it was saved.
bool saveImage(const QString& source, const QUrl& destination);

} // namespace korvane
