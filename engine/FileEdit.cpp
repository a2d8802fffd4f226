#include "engine/FileEdit.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// A time typed to the millisecond may lie this far past a length that was rounded.
constexpr double kTimeTolerance = 0.0005;
// Larger than any picture the tools make.
constexpr int kMaxCropSide = 16384;

std::string Number(double value)
{
    if (!std::isfinite(value))
        return "(not a number)";
    return FormatClipTime(value);
}

// A plain decimal, digits with an optional point; no sign, no exponent.
std::optional<double> PlainDecimal(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> WholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 6
        || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The code points of UTF-8 text; false for bytes that are not UTF-8 (overlong forms,
// surrogates and values past U+10FFFF included).
bool DecodeUtf8(const std::string& text, std::u32string* out)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            c = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            c = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            c = lead & 0x07u;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            c = (c << 6) | (next & 0x3Fu);
        }
        const bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out->push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string CheckCaption(const FileEdit& edit, double clipSeconds)
{
    std::u32string text;
    if (!DecodeUtf8(edit.Caption, &text))
        return "The caption is not UTF-8 text.";
    if (text.size() > static_cast<std::size_t>(kMaxCaptionCharacters))
        return "The caption has " + std::to_string(text.size()) + " characters; at most "
            + std::to_string(kMaxCaptionCharacters) + " fit a frame.";
    int newlines = 0;
    for (const char32_t c : text) {
        if (c == U'\n') {
            ++newlines;
            continue;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            return std::string("The caption holds the control character ") + code + ".";
        }
    }
    if (newlines > 1)
        return "The caption has " + std::to_string(newlines + 1) + " lines; at most 2.";
    const auto from = edit.CaptionFrom.value_or(0.0);
    if (edit.CaptionFrom && (!std::isfinite(from) || from < 0))
        return "The caption's start " + Number(from) + " s lies before the clip's beginning.";
    if (edit.CaptionTo) {
        const double to = *edit.CaptionTo;
        if (!std::isfinite(to) || to <= from)
            return "The caption's end " + Number(to) + " s is not after its start " + Number(from)
                + " s.";
    }
    if (clipSeconds > 0 && edit.CaptionFrom && from >= clipSeconds)
        return "The caption's start " + Number(from) + " s lies past the clip's end ("
            + Number(clipSeconds) + " s).";
    return {};
}

// "1.5-4 s", "from 2 s" or "to 4 s".
std::string Span(const std::optional<double>& from, const std::optional<double>& to)
{
    if (from && to)
        return FormatClipTime(*from) + "-" + FormatClipTime(*to) + " s";
    if (from)
        return "from " + FormatClipTime(*from) + " s";
    return "to " + FormatClipTime(to.value_or(0.0)) + " s";
}

} // namespace

std::string CheckFileEdit(
    const FileEdit& edit, double clipSeconds, int displayWidth, int displayHeight)
{
    const bool knowLength = clipSeconds > 0 && std::isfinite(clipSeconds);
    const double start = edit.TrimStart.value_or(0.0);
    if (edit.TrimStart && (!std::isfinite(start) || start < 0))
        return "The trim start " + Number(start) + " s lies before the clip's beginning.";
    if (edit.TrimEnd) {
        const double end = *edit.TrimEnd;
        if (!std::isfinite(end) || end <= start)
            return "The trim end " + Number(end) + " s is not after its start " + Number(start)
                + " s.";
        if (knowLength && end > clipSeconds + kTimeTolerance)
            return "The trim end " + Number(end) + " s lies past the clip's end ("
                + Number(clipSeconds) + " s).";
    }
    if (knowLength && edit.TrimStart && start >= clipSeconds)
        return "The trim start " + Number(start) + " s lies past the clip's end ("
            + Number(clipSeconds) + " s).";

    if (edit.Crop) {
        const CropRect& c = *edit.Crop;
        const std::string named = "The crop " + std::to_string(c.Width) + ":"
            + std::to_string(c.Height) + ":" + std::to_string(c.X) + ":" + std::to_string(c.Y);
        if (c.Width < 1 || c.Height < 1)
            return named + " is empty: its width and height must be 1 pixel or more.";
        if (c.Width > kMaxCropSide || c.Height > kMaxCropSide)
            return named + " is larger than " + std::to_string(kMaxCropSide) + " pixels.";
        if (c.X < 0 || c.Y < 0)
            return named + " starts outside the picture.";
        const bool outside = (displayWidth > 0 && c.X > displayWidth - c.Width)
            || (displayHeight > 0 && c.Y > displayHeight - c.Height);
        if (outside)
            return named + " lies outside the " + std::to_string(displayWidth) + "x"
                + std::to_string(displayHeight) + " picture.";
    }

    if (!std::isfinite(edit.Speed) || edit.Speed < kMinSpeed || edit.Speed > kMaxSpeed)
        return "The speed " + Number(edit.Speed) + " is outside 0.25 to 4.";

    if (!edit.Caption.empty())
        return CheckCaption(edit, knowLength ? clipSeconds : 0);
    return {};
}

std::optional<double> ParseClipTime(const std::string& text)
{
    // Up to two "NN:" parts before the seconds.
    double total = 0.0;
    std::size_t from = 0;
    int parts = 0;
    for (std::size_t colon; (colon = text.find(':', from)) != std::string::npos; from = colon + 1) {
        const auto part = WholeNumber(text.substr(from, colon - from));
        if (!part || ++parts > 2 || (parts == 2 && *part > 59))
            return std::nullopt;
        if (parts == 2)
            total *= 60;
        total += *part;
    }
    if (parts > 0)
        total *= 60;
    const std::string secondsText = text.substr(from);
    const auto seconds = PlainDecimal(secondsText);
    if (!seconds || (parts > 0 && *seconds >= 60))
        return std::nullopt;
    const std::size_t point = secondsText.find('.');
    if (point != std::string::npos && secondsText.size() - point - 1 > 3)
        return std::nullopt; // finer than a millisecond
    const double value = total + *seconds;
    if (!std::isfinite(value) || value > 1e9)
        return std::nullopt;
    return value;
}

bool ParseTrim(const std::string& text, std::optional<double>* start, std::optional<double>* end)
{
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || text.find('-', dash + 1) != std::string::npos
        || text.size() == 1)
        return false;
    std::optional<double> first, last;
    if (dash > 0 && !(first = ParseClipTime(text.substr(0, dash))))
        return false;
    if (dash + 1 < text.size() && !(last = ParseClipTime(text.substr(dash + 1))))
        return false;
    *start = first;
    *end = last;
    return true;
}

std::optional<CropRect> ParseCrop(const std::string& text)
{
    int values[4] = {};
    std::size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t colon = i < 3 ? text.find(':', from) : text.size();
        if (colon == std::string::npos)
            return std::nullopt;
        const auto value = WholeNumber(text.substr(from, colon - from));
        if (!value)
            return std::nullopt;
        values[i] = *value;
        from = colon + 1;
    }
    return CropRect { values[0], values[1], values[2], values[3] };
}

std::optional<double> ParseSpeed(const std::string& text)
{
    std::string number = text;
    if (!number.empty() && (number.back() == 'x' || number.back() == 'X'))
        number.pop_back();
    return PlainDecimal(number);
}

std::string FormatClipTime(double seconds)
{
    if (!std::isfinite(seconds))
        return "0";
    char buffer[64];
    const double rounded = std::round(seconds * 1000.0) / 1000.0;
    const auto written
        = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 3);
    if (written.ec != std::errc())
        return "0";
    std::string text(buffer, written.ptr);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string DescribeFileEdit(const FileEdit& edit)
{
    std::string parts;
    const auto add
        = [&parts](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
    if (edit.TrimStart || edit.TrimEnd)
        add("trim " + Span(edit.TrimStart, edit.TrimEnd));
    if (edit.Crop)
        add("crop " + std::to_string(edit.Crop->Width) + "x" + std::to_string(edit.Crop->Height)
            + " at " + std::to_string(edit.Crop->X) + "," + std::to_string(edit.Crop->Y));
    if (edit.Speed != 1.0)
        add("speed " + FormatClipTime(edit.Speed) + "x");
    if (edit.Order == FrameOrder::Reverse)
        add("reverse");
    else if (edit.Order == FrameOrder::Bounce)
        add("bounce");
    if (!edit.Caption.empty()) {
        std::string text = edit.Caption;
        for (std::size_t at; (at = text.find('\n')) != std::string::npos;)
            text.replace(at, 1, " / ");
        std::string caption = "caption \"" + text + "\" ("
            + (edit.CaptionAt == CaptionPlace::Top ? "top" : "bottom");
        if (edit.CaptionFrom || edit.CaptionTo)
            caption += ", " + Span(edit.CaptionFrom, edit.CaptionTo);
        add(caption + ")");
    }
    return parts;
}
