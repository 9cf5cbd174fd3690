// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/office/LibreOfficeDocuments.h"

#include <QProcess>
#include <QStandardPaths>

namespace korvane {

QCoro::Task<Outcome> LibreOfficeDocuments::createBlankTextDocument()
{
    QString program = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (program.isEmpty())
        co_return Outcome::failure(QStringLiteral("LibreOffice Writer is not installed."));
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("--writer")});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        co_return Outcome::failure(process.errorString());
    co_return Outcome::success();
}

} // namespace korvane
