#include "ui/FileNameText.h"

#include "platform/CHandles.h"

#include <QMimeData>
#include <QUrl>
#include <sys/stat.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kReplacement = 0xFFFD;

// The length of the valid UTF-8 sequence at `at`, or 0 when there is none (also
// for overlong forms, surrogates and values past U+10FFFF, as QString refuses them).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = byte(at);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t value = 0;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (at + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

bool IsEscapedByte(char16_t c)
{
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// How a name reads with every run of undecodable bytes as one U+FFFD: decoders
// differ in how many replacement characters they make of one bad sequence.
QString LooseForm(const QString& text)
{
    QString loose;
    for (QChar c : FileNameForDisplay(text))
        if (c.unicode() != kReplacement || !loose.endsWith(QChar(kReplacement)))
            loose += c;
    return loose;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

QString FileNameText(const std::string& bytes)
{
    QString text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            text += QChar(
                static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        at += length;
    }
    return text;
}

std::string FileNameBytes(const QString& text)
{
    std::string bytes;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) {
        if (end > start)
            bytes += text.mid(start, end - start).toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!IsEscapedByte(c))
            continue;
        flush(i);
        bytes += static_cast<char>(c - kEscapeBase);
        start = i + 1;
    }
    flush(text.size());
    return bytes;
}

QString FileNameForDisplay(const QString& text)
{
    QString shown = text;
    for (QChar& c : shown)
        if (IsEscapedByte(c.unicode()))
            c = QChar(kReplacement);
    return shown;
}

QString FindFileOnDisk(const QString& text)
{
    if (Exists(FileNameBytes(text)) || !text.contains(QChar(kReplacement)))
        return text;
    // Walk the name a part at a time, so that a folder with such a name is found too.
    const QStringList parts = text.split(QLatin1Char('/'));
    std::string found;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            found += '/';
        const QString& part = parts[i];
        const std::string plain = FileNameBytes(part);
        if (!part.contains(QChar(kReplacement)) || Exists(found + plain)) {
            found += plain;
            continue;
        }
        const QString wanted = LooseForm(part);
        const std::string folder = found.empty() ? std::string(".") : found;
        const UniqueDir dir(::opendir(folder.c_str()));
        if (!dir)
            return text;
        std::string match;
        int matches = 0;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (LooseForm(FileNameText(name)) == wanted) {
                match = name;
                ++matches;
            }
        }
        if (matches != 1)
            return text;
        found += match;
    }
    return FileNameText(found);
}

QStringList DroppedFileNames(const QMimeData& data)
{
    QStringList names;
    const QByteArray list = data.data(QStringLiteral("text/uri-list"));
    for (QByteArray line : list.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (!url.isLocalFile())
            continue;
        const QByteArray path
            = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        names << FileNameText(path.toStdString());
    }
    if (list.isEmpty())
        for (const QUrl& url : data.urls())
            if (url.isLocalFile())
                names << url.toLocalFile();
    return names;
}
