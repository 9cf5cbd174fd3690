// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ApiKeySetup.h"

#include "core/Configuration.h"
#include "core/LocalEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvane::ApiKeySetup {

namespace {

const QByteArray envFileTemplate =
    "# Korvane reads this file at every use; lines are KEY=value.\n"
    "# The API key of the OpenAI-compatible service:\n"
    "OPENAI_API_KEY=\n"
    "# A local OpenAI-compatible server instead of api.openai.com, for example:\n"
    "# OPENAI_BASE_URL=http://127.0.0.1:8080\n";

} // namespace

bool isConfigured()
{
    return LocalEnvironment::value(Configuration::apiKeyName).has_value();
}

QString advice()
{
    return Configuration::apiKeyName +
           QStringLiteral(" is not set: set it in the environment or in ") +
           LocalEnvironment::userEnvFile() + QStringLiteral(" (with ") +
           Configuration::openAIBaseUrlName +
           QStringLiteral(", for example http://127.0.0.1:8080, a local OpenAI-compatible server "
                          "works too).");
}

Outcome createUserEnvFile()
{
    const QString path = LocalEnvironment::userEnvFile();
    if (QFileInfo::exists(path))
        return Outcome::success();
    if (!QDir().mkpath(QFileInfo(path).path()))
        return Outcome::failure(QStringLiteral("Could not create the folder ") +
                                QFileInfo(path).path() + u'.');
    QFile file(path);
    // NewOnly: never truncate a file that appeared meanwhile. Owner-only: it will hold a key.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(envFileTemplate) != envFileTemplate.size())
        return Outcome::failure(QStringLiteral("Could not create ") + path + QStringLiteral(": ") +
                                file.errorString());
    return Outcome::success();
}

} // namespace korvane::ApiKeySetup
