// The readings and formats of stored settings texts, on any text and any double.

#include "engine/SettingsText.h"
#include "tests/fuzz/FuzzSupport.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// "-?digits.dd", as the settings file stores a real value.
bool IsFixed2(const std::string& s)
{
    std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ++i;
        ++digits;
    }
    return digits > 0 && s.size() == i + 3 && s[i] == '.' && s[i + 1] >= '0' && s[i + 1] <= '9'
        && s[i + 2] >= '0' && s[i + 2] <= '9';
}

void CheckFormatted(double value)
{
    const std::string text = FormatFixed2(value);
    FUZZ_CHECK(IsFixed2(text));
    FUZZ_CHECK(text != "-0.00");
    // Read back, the text is the value to the nearest hundredth (plus the double's own error).
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        const double back = RealValue(text);
        FUZZ_CHECK(std::fabs(back - value) <= 0.005 + 1e-12 + std::fabs(value) * 1e-15);
        FUZZ_CHECK(FormatFixed2(back) == text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(AsText(data, size));

    FUZZ_CHECK(IsGiven(text) == (!text.empty() && text != "ERROR"));

    const long long integer = IntegerValue(text);
    FUZZ_CHECK(integer >= INT_MIN && integer <= INT_MAX);
    FUZZ_CHECK(IntegerValue(FormatInteger(integer)) == integer);

    const double real = RealValue(text);
    FUZZ_CHECK(!std::isnan(real));
    CheckFormatted(real);
    InRange(real, 0.0, 100.0);

    // The same bytes as a double: infinities, NaNs, subnormals and the largest values.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckFormatted(raw);
    }
    return 0;
}
