#pragma once

#include <QString>
#include <optional>

// The case of an enumeration whose raw value is `raw`, compared exactly; none for any other text.
template <typename Cases>
auto caseWithRawValue(const Cases &cases, const QString &raw) -> std::optional<typename Cases::value_type>
{
    for (const auto &c : cases) {
        if (c.rawValue() == raw)
            return c;
    }
    return std::nullopt;
}
