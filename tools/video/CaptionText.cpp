#include "tools/video/CaptionText.h"

#include "tools/common/ErrorText.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace video {
namespace {

    // A caption file is a line or two of text; anything much larger is a mistake.
    constexpr size_t kMaxCaptionFileBytes = 4096;

    // The code points of UTF-8 text; false for bytes that are not UTF-8 (overlong forms,
    // surrogates and values past U+10FFFF included).
    bool Decode(const std::string& text, std::u32string& out)
    {
        size_t i = 0;
        while (i < text.size()) {
            const auto lead = static_cast<unsigned char>(text[i]);
            int extra = 0;
            char32_t c = lead;
            if (lead >= 0x80) {
                if (lead >= 0xC2 && lead <= 0xDF)
                    extra = 1;
                else if (lead >= 0xE0 && lead <= 0xEF)
                    extra = 2;
                else if (lead >= 0xF0 && lead <= 0xF4)
                    extra = 3;
                else
                    return false;
                c = lead & (0x3Fu >> extra);
            }
            if (extra > 0 && i + static_cast<size_t>(extra) >= text.size())
                return false;
            for (int k = 1; k <= extra; ++k) {
                const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
                if ((next & 0xC0u) != 0x80u)
                    return false;
                c = (c << 6) | (next & 0x3Fu);
            }
            if ((extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000) || c > 0x10FFFF
                || (c >= 0xD800 && c <= 0xDFFF))
                return false;
            out.push_back(c);
            i += static_cast<size_t>(extra) + 1;
        }
        return true;
    }

    struct PatternFreer
    {
        void operator()(FcPattern* p) const { FcPatternDestroy(p); }
    };
    struct FontSetFreer
    {
        void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
    };
    struct ConfigFreer
    {
        void operator()(FcConfig* c) const { FcConfigDestroy(c); }
    };
    struct CharSetFreer
    {
        void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
    };

} // namespace

std::string CheckCaptionText(const std::string& text)
{
    std::u32string points;
    if (!Decode(text, points))
        return "the text is not UTF-8";
    if (points.empty())
        return "the text is empty";
    if (points.size() > static_cast<size_t>(kMaxCaptionCharacters))
        return "the text has " + std::to_string(points.size()) + " characters, at most "
            + std::to_string(kMaxCaptionCharacters) + " fit a frame";
    int lines = 1;
    for (char32_t c : points) {
        if (c == U'\n') {
            ++lines;
            continue;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            return std::string("the text holds the control character ") + code;
        }
    }
    if (lines > 2)
        return "the text has " + std::to_string(lines) + " lines, at most 2";
    return {};
}

Outcome<std::string> ReadCaptionFile(const std::string& path)
{
    using Result = Outcome<std::string>;
    // Not a FIFO or a device that would keep the tool waiting.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Result::Failure("cannot read '" + path + "': " + SystemErrorText(errno));
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer { fd };
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Result::Failure("'" + path + "' is not a regular file");
    if (st.st_size > static_cast<off_t>(kMaxCaptionFileBytes))
        return Result::Failure("'" + path + "' is larger than a caption can be");
    std::string text(static_cast<size_t>(st.st_size) + 1, '\0');
    const ssize_t got = ::read(fd, text.data(), text.size());
    if (got < 0)
        return Result::Failure("cannot read '" + path + "': " + SystemErrorText(errno));
    text.resize(static_cast<size_t>(got));
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    // Line breaks typed on other systems count as one.
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    if (std::string error = CheckCaptionText(text); !error.empty())
        return Result::Failure(error);
    return text;
}

Outcome<std::string> FindCaptionFont(const std::string& text)
{
    using Result = Outcome<std::string>;
    std::u32string points;
    if (!Decode(text, points))
        return Result::Failure("the text is not UTF-8");
    // A configuration of our own, freed again: the library's shared one is never freed.
    std::unique_ptr<FcConfig, ConfigFreer> config(FcInitLoadConfigAndFonts());
    if (!config)
        return Result::Failure("fontconfig cannot be set up");
    std::unique_ptr<FcCharSet, CharSetFreer> needed(FcCharSetCreate());
    if (!needed)
        return Result::Failure("out of memory");
    for (char32_t c : points)
        if (c != U'\n' && c != U' ')
            FcCharSetAddChar(needed.get(), static_cast<FcChar32>(c));

    std::unique_ptr<FcPattern, PatternFreer> pattern(
        FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:style=Bold")));
    if (!pattern)
        return Result::Failure("out of memory");
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcFontSet, FontSetFreer> fonts(
        FcFontSort(config.get(), pattern.get(), FcFalse, nullptr, &result));
    if (fonts) {
        // The best match for the style that has every character, from a file of one face
        // (the text filter opens a file's first face).
        for (int i = 0; i < fonts->nfont; ++i) {
            FcCharSet* has = nullptr;
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch
                || FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
                continue;
            if (FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index) == FcResultMatch
                && index != 0)
                continue;
            if (FcCharSetIsSubset(needed.get(), has))
                return std::string(reinterpret_cast<const char*>(file));
        }
    }
    return Result::Failure("no installed font has every character of the text");
}

} // namespace video
