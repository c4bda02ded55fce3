#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <variant>

// A failure as the user sees it: a domain that says where it came from and the text to show.
struct Error {
    enum class Domain { Parser, Transport, Store, Other };
    Domain domain = Domain::Other;
    int code = 0;
    QString description;

    friend bool operator==(const Error &, const Error &) = default;
};

// A value or the error that prevented it. Small stand-in for std::expected (C++23).
template <typename T>
class Expected {
public:
    Expected(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_data.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T &value() { return std::get<0>(m_data); }
    const T &value() const { return std::get<0>(m_data); }
    T &operator*() { return value(); }
    const T &operator*() const { return value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }
    const Error &error() const { return std::get<1>(m_data); }

    T valueOr(T fallback) const { return hasValue() ? value() : std::move(fallback); }

private:
    std::variant<T, Error> m_data;
};

template <>
class Expected<void> {
public:
    Expected() = default;
    Expected(Error error) : m_error(std::move(error)) {}

    bool hasValue() const { return !m_error.has_value(); }
    explicit operator bool() const { return hasValue(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};
