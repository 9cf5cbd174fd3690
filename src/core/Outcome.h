// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <utility>

namespace korvane {

// What a fallible step reports: whether it worked and, when it did not, the sentence saying why.
class [[nodiscard]] Outcome {
public:
    static Outcome success() { return Outcome{}; }
    static Outcome failure(QString error) { return Outcome{std::move(error)}; }

    bool succeeded() const { return !m_failed; }
    explicit operator bool() const { return succeeded(); }
    // Empty when the step succeeded.
    const QString& error() const { return m_error; }

private:
    Outcome() = default;
    explicit Outcome(QString error)
        : m_failed(true)
        , m_error(std::move(error))
    {
    }

    bool m_failed = false;
    QString m_error{};
};

} // namespace korvane
