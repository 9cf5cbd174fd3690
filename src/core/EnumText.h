// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace korvane {

// One case of an enumeration and the text it is written as.
template <typename E>
struct EnumCase {
    E value;
    QStringView text;
};

// Specialise with `static constexpr std::array<EnumCase<E>, N> cases` listing every case in
// declaration order; the functions below then convert both ways and enumerate.
template <typename E>
struct EnumCases;

template <typename E>
constexpr auto allCases()
{
    std::array<E, EnumCases<E>::cases.size()> values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = EnumCases<E>::cases[i].value;
    return values;
}

template <typename E>
QString rawValue(E value)
{
    for (const auto& c : EnumCases<E>::cases) {
        if (c.value == value)
            return c.text.toString();
    }
    return {};
}

// Exact, case-sensitive: any text that is not a raw value gives nothing.
template <typename E>
std::optional<E> fromRawValue(QStringView text)
{
    for (const auto& c : EnumCases<E>::cases) {
        if (c.text == text)
            return c.value;
    }
    return std::nullopt;
}

} // namespace korvane
