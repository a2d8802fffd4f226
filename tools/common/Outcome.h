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
    static Outcome Failure(std::string error)
    {
        Outcome o;
        o.m_error = std::move(error);
        return o;
    }

    explicit operator bool() const { return m_value.has_value(); }
    T& Value() { return *m_value; }
    const T& Value() const { return *m_value; }
    const std::string& Error() const { return m_error; }

private:
    Outcome() = default;
    std::optional<T> m_value;
    std::string m_error;
};
