#include "engine/SettingsText.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips leading white space and a sign; true when the sign is a minus.
bool SkipSpaceAndSign(const std::string& text, std::size_t& i)
{
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return text[i++] == '-';
    return false;
}

} // namespace

bool IsGiven(const std::string& text)
{
    return !text.empty() && text != "ERROR";
}

bool InRange(double value, double low, double high)
{
    return value >= low && value <= high;
}

long long IntegerValue(const std::string& text)
{
    std::size_t i = 0;
    const bool negative = SkipSpaceAndSign(text, i);
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // keep parsing, stay bounded
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return value;
}

double RealValue(const std::string& text)
{
    std::size_t i = 0;
    const bool negative = SkipSpaceAndSign(text, i);
    // Only plain decimal numbers: no "inf", "nan" or hexadecimal forms.
    bool startsNumber = i < text.size()
        && (IsDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])));
    if (!startsNumber)
        return 0.0;
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large lies outside every range; too small reads as 0.
        std::size_t e = text.find_first_of("eE", i);
        bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string FormatFixed2(double value)
{
    if (!std::isfinite(value))
        return "0.00";
    bool negative = std::signbit(value);
    double magnitude = std::fabs(value);
    // The exact decimal expansion, then rounding on the third decimal.
    char buf[512];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 60);
    if (ec != std::errc())
        return "0.00";
    std::string digits(buf, end);
    std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string frac = digits.substr(point + 1);
    bool roundUp = frac[2] >= '5';
    std::string number = whole + frac.substr(0, 2);
    if (roundUp) {
        int i = static_cast<int>(number.size()) - 1;
        while (i >= 0 && number[static_cast<std::size_t>(i)] == '9')
            number[static_cast<std::size_t>(i--)] = '0';
        if (i < 0)
            number.insert(number.begin(), '1');
        else
            ++number[static_cast<std::size_t>(i)];
    }
    std::string out = number.substr(0, number.size() - 2) + "." + number.substr(number.size() - 2);
    if (negative && out != "0.00")
        out.insert(out.begin(), '-');
    return out;
}

std::string FormatInteger(long long value)
{
    return std::to_string(value);
}

bool ParseByteSize(const std::string& text, long long* bytes)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    const std::size_t numberStart = i;
    int digits = 0;
    int points = 0;
    for (; i < text.size() && (IsDigit(text[i]) || text[i] == '.'); ++i)
        (text[i] == '.' ? points : digits) += 1;
    if (digits == 0 || digits > 15 || points > 1)
        return false;
    const double number = RealValue(text.substr(numberStart, i - numberStart));
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    std::string unit;
    for (; i < text.size() && !IsSpace(text[i]); ++i)
        unit += static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] - 'A' + 'a' : text[i]);
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    if (i != text.size())
        return false;
    double scale = 0;
    if (unit.empty() || unit == "b" || unit == "bytes")
        scale = 1;
    else if (unit == "k" || unit == "kb")
        scale = 1e3;
    else if (unit == "m" || unit == "mb")
        scale = 1e6;
    else
        return false;
    const double value = std::round(number * scale);
    if (value < 1 || value > 1e15)
        return false;
    *bytes = static_cast<long long>(value);
    return true;
}

std::string StoredByteSize(long long bytes)
{
    if (bytes >= 1'000'000 && bytes % 1'000'000 == 0)
        return FormatInteger(bytes / 1'000'000) + "M";
    if (bytes >= 1000 && bytes % 1000 == 0)
        return FormatInteger(bytes / 1000) + "k";
    return FormatInteger(bytes);
}

std::string ShownByteSize(long long bytes)
{
    // Up to three decimals, without trailing zeros.
    auto inUnit = [bytes](long long unit, const char* name) {
        std::string text = FormatInteger(bytes / unit);
        long long rest = bytes % unit * 1000 / unit;
        if (rest > 0) {
            std::string decimals = std::to_string(rest);
            decimals.insert(0, 3 - decimals.size(), '0');
            while (decimals.back() == '0')
                decimals.pop_back();
            text += "." + decimals;
        }
        return text + " " + name;
    };
    if (bytes >= 1'000'000)
        return inUnit(1'000'000, "MB");
    if (bytes >= 1000)
        return inUnit(1000, "kB");
    return FormatInteger(bytes) + (bytes == 1 ? " byte" : " bytes");
}
