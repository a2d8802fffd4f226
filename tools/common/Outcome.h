#pragma once

#include <optional>
#include <string>
#include <utility>

// A value or a one-line error text; the tools report failures as values, never by throwing.
template <typename T> class Outcome
{
public:
    Outcome(T value)
        : m_value(std::move(value))
    { }
    static Outcome failure(std::string error)
    {
        Outcome o;
        o.m_error = std::move(error);
        return o;
    }

    explicit operator bool() const { return m_value.has_value(); }
    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    const std::string& error() const { return m_error; }

private:
    Outcome() = default;
    std::optional<T> m_value;
    std::string m_error;
};
