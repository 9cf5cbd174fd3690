// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xdg/RunningProgram.h"

#include <QFileInfo>

namespace korvane {

namespace {

bool sameText(const QString& a, const QString& b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString processExecutable(qint64 processId)
{
    if (processId <= 0)
        return {};
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(processId))
        .symLinkTarget()
        .section(u'/', -1);
}

std::optional<DesktopEntry> entryForProgram(const QList<DesktopEntry>& entries,
                                            const RunningProgram& program)
{
    for (const DesktopEntry& entry : entries) {
        if (sameText(entry.startupWMClass, program.windowClass) ||
            sameText(entry.startupWMClass, program.instance))
            return entry;
    }
    const QString executable = processExecutable(program.processId);
    for (const DesktopEntry& entry : entries) {
        if (!entry.startupWMClass.isEmpty())
            continue;
        const QString name = entry.executableName();
        const QString idName = entry.id.chopped(8); // without ".desktop"
        if (sameText(name, program.instance) || sameText(name, program.windowClass) ||
            sameText(name, executable) || sameText(idName, program.windowClass))
            return entry;
    }
    return std::nullopt;
}

} // namespace korvane
