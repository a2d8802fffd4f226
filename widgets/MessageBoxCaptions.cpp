#include "widgets/MessageBoxCaptions.h"

namespace {

struct CaptionEntry
{
    const char* text;
    std::uint32_t stringId;
};

constexpr CaptionEntry kCaptions[CaptionCount] = {
    { "&Abort", 9005 },
    { "Cancel", 9002 },
    { "&Continue", 9009 },
    { "Don't ask me again", 9010 },
    { "Don't tell me again", 9011 },
    { "Don't show again", 9012 },
    { "&Help", 9006 },
    { "&Ignore", 9003 },
    { "I&gnore All", 9017 },
    { "&No", 9008 },
    { "N&o to All", 9014 },
    { "OK", 9001 },
    { "Re&port", 9016 },
    { "&Retry", 9004 },
    { "&Skip", 9018 },
    { "S&kip All", 9019 },
    { "&Try Again", 9015 },
    { "&Yes", 9007 },
    { "Y&es to All", 9013 },
};

QString LookUp(const MessageBoxParams& params, std::uint32_t id)
{
    if (!params.StringModule || id == 0)
        return {};
    return params.StringModule(id);
}

} // namespace

std::uint32_t CaptionStringId(CaptionIndex index)
{
    return kCaptions[static_cast<int>(index)].stringId;
}

QString ReportCaptionOf(const MessageBoxParams& params)
{
    QString caption = LookUp(params, params.ReportCaptionId);
    if (caption.isEmpty())
        caption = params.ReportCaption;
    return caption.left(MaxParamTextLength);
}

CaptionArray FillButtonCaptions(std::uint32_t style, const MessageBoxParams& params)
{
    CaptionArray captions;
    const int report = static_cast<int>(CaptionIndex::Report);
    captions[report] = ReportCaptionOf(params).left(MaxCaptionLength);
    const bool reportGiven = !captions[report].isEmpty();

    for (int i = 0; i < CaptionCount; ++i) {
        if (i == report && reportGiven)
            continue;
        captions[i] = QString::fromLatin1(kCaptions[i].text);
    }

    if (params.UseCustomCaptions) {
        for (int i = 0; i < CaptionCount; ++i) {
            const QString& custom = params.Captions[static_cast<std::size_t>(i)];
            if (custom.isEmpty() || (i == report && !captions[report].isEmpty()))
                continue;
            captions[i] = custom.left(MaxCaptionLength);
        }
    } else if (!(style & MessageBoxStyle::BuiltInCaptionsOnly)) {
        for (int i = 0; i < CaptionCount; ++i) {
            if (i == report && reportGiven)
                continue;
            QString text = LookUp(params, kCaptions[i].stringId);
            if (!text.isEmpty())
                captions[i] = text.left(MaxCaptionLength);
        }
    }
    return captions;
}

std::vector<MessageBoxButtonSpec> ButtonSetButtons(std::uint32_t style)
{
    namespace B = MessageBoxButton;
    using C = CaptionIndex;
    const bool yesToAll = style & MessageBoxStyle::YesToAll;
    const bool noToAll = style & MessageBoxStyle::NoToAll;

    switch (style & MessageBoxStyle::ButtonSetMask) {
    case MessageBoxStyle::OkCancel:
        return { { B::Ok, C::Ok }, { B::Cancel, C::Cancel } };
    case MessageBoxStyle::AbortRetryIgnore:
        return { { B::Abort, C::Abort }, { B::Retry, C::Retry }, { B::Ignore, C::Ignore } };
    case MessageBoxStyle::YesNoCancel:
    case MessageBoxStyle::YesNo: {
        std::vector<MessageBoxButtonSpec> buttons { { B::Yes, C::Yes } };
        if (yesToAll)
            buttons.push_back({ B::YesToAll, C::YesToAll });
        buttons.push_back({ B::No, C::No });
        if (noToAll)
            buttons.push_back({ B::NoToAll, C::NoToAll });
        if ((style & MessageBoxStyle::ButtonSetMask) == MessageBoxStyle::YesNoCancel)
            buttons.push_back({ B::Cancel, C::Cancel });
        return buttons;
    }
    case MessageBoxStyle::RetryCancel:
        return { { B::Retry, C::Retry }, { B::Cancel, C::Cancel } };
    case MessageBoxStyle::CancelTryContinue:
        return { { B::Cancel, C::Cancel }, { B::TryAgain, C::TryAgain },
            { B::Continue, C::Continue } };
    case MessageBoxStyle::ContinueAbort:
        return { { B::Continue, C::Continue }, { B::Abort, C::Abort } };
    case MessageBoxStyle::SkipSkipAllCancel:
        return { { B::Skip, C::Skip }, { B::SkipAll, C::SkipAll }, { B::Cancel, C::Cancel } };
    case MessageBoxStyle::IgnoreIgnoreAllCancel:
        return { { B::Ignore, C::Ignore }, { B::IgnoreAll, C::IgnoreAll },
            { B::Cancel, C::Cancel } };
    default:
        return { { B::Ok, C::Ok } };
    }
}

QStringList CustomButtonCaptions(const MessageBoxParams& params)
{
    QString text = LookUp(params, params.CustomButtonsId);
    if (text.isEmpty())
        text = params.CustomButtons;
    text = text.left(MaxParamTextLength);
    if (text.isEmpty())
        return {};
    QStringList pieces = text.split(QLatin1Char('\n'));
    while (pieces.size() > MessageBoxButton::MaxCustomButtons)
        pieces.removeLast();
    for (QString& piece : pieces)
        piece = piece.left(MaxCaptionLength);
    return pieces;
}

std::uint32_t CheckBoxBit(std::uint32_t style)
{
    for (std::uint32_t bit : { MessageBoxStyle::DontAskAgain, MessageBoxStyle::DontTellAgain,
             MessageBoxStyle::DontShowAgain }) {
        if (style & bit)
            return bit;
    }
    return 0;
}

CaptionIndex CheckBoxCaption(std::uint32_t checkBoxBit)
{
    if (checkBoxBit == MessageBoxStyle::DontTellAgain)
        return CaptionIndex::DontTellAgain;
    if (checkBoxBit == MessageBoxStyle::DontShowAgain)
        return CaptionIndex::DontShowAgain;
    return CaptionIndex::DontAskAgain;
}

int CancelResult(std::uint32_t style, bool customButtons)
{
    if (customButtons)
        return 0;
    const std::uint32_t set = style & MessageBoxStyle::ButtonSetMask;
    if (set == MessageBoxStyle::Ok || set > MessageBoxStyle::IgnoreIgnoreAllCancel)
        return MessageBoxButton::Ok;
    for (const MessageBoxButtonSpec& button : ButtonSetButtons(style)) {
        if (button.id == MessageBoxButton::Cancel)
            return MessageBoxButton::Cancel;
    }
    return 0;
}
