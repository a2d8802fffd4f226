#include "widgets/RememberedAnswers.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"
#include "platform/UserProfiles.h"

#include <cerrno>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz98";
constexpr int kMaxCompareBytes = 490;

QString ProgramFileName()
{
    const std::string path = ProgramPath();
    if (path.empty())
        return QStringLiteral("sablewick");
    return QString::fromStdString(FileNameOf(path));
}

// A section or key name must stay on its own line, a section name inside its
// brackets and a key name before its '='.
QString SafeIniName(QString text, QLatin1Char stop)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == stop)
            c = QLatin1Char('_');
    }
    return text;
}

} // namespace

QString AnswerValueName(const QString& compareText, std::int32_t compareId)
{
    // Bytes are taken as unsigned, so text outside ASCII still maps into the alphabet.
    const QByteArray bytes = compareText.toUtf8().left(kMaxCompareBytes);
    QString name;
    name.reserve(bytes.size() + 12);
    for (int i = 0; i < bytes.size(); ++i) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        name += QLatin1Char(kAlphabet[(b + 5u * static_cast<unsigned>(i)) % 64u]);
    }
    name += QString::number(compareId);
    return name;
}

QString RememberedAnswerSection(const QString& companyKey)
{
    QString section = QStringLiteral("Software\\");
    if (!companyKey.isEmpty())
        section += companyKey + QLatin1Char('\\');
    section += ProgramFileName() + QStringLiteral("\\RichMessageBox");
    return SafeIniName(section, QLatin1Char(']'));
}

int WriteRememberedAnswer(const QString& companyKey, const QString& valueName, std::uint32_t value)
{
    errno = 0;
    const bool written = WriteProfileString(RememberedAnswersPath(),
        RememberedAnswerSection(companyKey).toStdString(),
        SafeIniName(valueName, QLatin1Char('=')).toStdString(), std::to_string(value));
    if (written)
        return 0;
    return errno != 0 ? errno : EIO;
}

std::uint32_t ReadRememberedAnswer(const QString& companyKey, const QString& valueName)
{
    const std::string text = ReadProfileString(RememberedAnswersPath(),
        RememberedAnswerSection(companyKey).toStdString(),
        SafeIniName(valueName, QLatin1Char('=')).toStdString(), "");
    bool ok = false;
    // Written unsigned; a signed number written by hand is accepted too.
    const qlonglong number = QString::fromStdString(text).trimmed().toLongLong(&ok);
    if (!ok || number < INT32_MIN || number > UINT32_MAX)
        return 0;
    return static_cast<std::uint32_t>(number);
}
