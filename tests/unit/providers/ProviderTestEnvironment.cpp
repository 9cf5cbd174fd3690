// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProviderTestEnvironment.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

void useLoopbackServices(const korvane::test::LoopbackHttpServer& server)
{
    const QByteArray base = server.baseUrl().toEncoded();
    qputenv("KORVANE_ENV_FILES", "");
    qputenv("OPENAI_API_KEY", dummyApiKey);
    qputenv("OPENAI_BASE_URL", base);
    // A "search" reply searches; it must never leave the machine.
    qputenv("KORVANE_SEARCH_URL", base);
    qputenv("KORVANE_SEARCH_ICON_URL", base);
}

void clearLoopbackServices()
{
    for (const char* name : {"OPENAI_API_KEY", "OPENAI_BASE_URL", "KORVANE_SEARCH_URL",
                             "KORVANE_SEARCH_ICON_URL", "KORVANE_ENV_FILES"})
        qunsetenv(name);
}

quint16 closedLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

StandardErrorCapture::StandardErrorCapture()
{
    std::fflush(stderr);
    char path[] = "/tmp/korvane-stderr-XXXXXX";
    m_file = ::mkstemp(path);
    if (m_file < 0)
        return;
    ::unlink(path);
    m_savedOutput = ::dup(STDERR_FILENO);
    ::dup2(m_file, STDERR_FILENO);
}

StandardErrorCapture::~StandardErrorCapture()
{
    // What nobody read is passed on.
    if (m_savedOutput >= 0) {
        const QByteArray unread = text().toUtf8();
        std::fwrite(unread.constData(), 1, static_cast<size_t>(unread.size()), stderr);
        std::fflush(stderr);
    }
}

QString StandardErrorCapture::text()
{
    if (m_savedOutput < 0)
        return m_text;
    std::fflush(stderr);
    ::dup2(m_savedOutput, STDERR_FILENO);
    ::close(m_savedOutput);
    m_savedOutput = -1;
    QFile file;
    if (file.open(m_file, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        file.seek(0);
        m_text = QString::fromUtf8(file.readAll());
    }
    m_file = -1;
    return m_text;
}
