// Feeds arbitrary bytes to the readers of outside text in the executor: a script's standard
// output (the artifact marker), desktop entries and their Exec lines.
#include "computeruse/ScriptArtifactMarker.h"
#include "platform/linux/xdg/DesktopEntry.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    (void)korvane::parseArtifactFromStdout(text);
    (void)korvane::parseArtifactFromStdout(QStringLiteral("[ARTIFACT:") + text);
    (void)korvane::splitExecLine(text);

    QTemporaryFile file;
    if (file.open()) {
        file.write("[Desktop Entry]\n");
        file.write(bytes);
        file.flush();
        if (const auto entry = korvane::readDesktopEntry(
                file.fileName(), QStringLiteral("f.desktop"), QStringLiteral("de_DE.UTF-8@euro"))) {
            (void)entry->isLaunchable();
            (void)entry->executableName();
        }
    }
    return 0;
}
