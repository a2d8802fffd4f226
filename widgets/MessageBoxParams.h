#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <array>
#include <cstdint>

// Style word of RichMessageBox.
namespace MessageBoxStyle {
constexpr std::uint32_t ButtonSetMask = 0x0000000F;
constexpr std::uint32_t Ok = 0x0;
constexpr std::uint32_t OkCancel = 0x1;
constexpr std::uint32_t AbortRetryIgnore = 0x2;
constexpr std::uint32_t YesNoCancel = 0x3;
constexpr std::uint32_t YesNo = 0x4;
constexpr std::uint32_t RetryCancel = 0x5;
constexpr std::uint32_t CancelTryContinue = 0x6;
constexpr std::uint32_t ContinueAbort = 0x7;
constexpr std::uint32_t SkipSkipAllCancel = 0x8;
constexpr std::uint32_t IgnoreIgnoreAllCancel = 0x9;

constexpr std::uint32_t IconMask = 0x000000F0;
constexpr std::uint32_t IconStop = 0x10;
constexpr std::uint32_t IconQuestion = 0x20;
constexpr std::uint32_t IconExclamation = 0x30;
constexpr std::uint32_t IconInformation = 0x40;

constexpr std::uint32_t DefaultButtonMask = 0x00000F00;
constexpr std::uint32_t SystemModal = 0x00001000;
constexpr std::uint32_t HelpButton = 0x00004000;
constexpr std::uint32_t SetForeground = 0x00010000;
constexpr std::uint32_t TopMost = 0x00040000;
constexpr std::uint32_t DontAskAgain = 0x01000000;
constexpr std::uint32_t DontTellAgain = 0x02000000;
constexpr std::uint32_t DontShowAgain = 0x04000000;
constexpr std::uint32_t CheckBoxMask = 0x07000000;
constexpr std::uint32_t YesToAll = 0x08000000;
constexpr std::uint32_t NoToAll = 0x10000000;
constexpr std::uint32_t BuiltInCaptionsOnly = 0x20000000;
constexpr std::uint32_t NoBeep = 0x40000000;
} // namespace MessageBoxStyle

// Button numbers, which are also the results of the buttons that close the box.
namespace MessageBoxButton {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
constexpr int TryAgain = 10;
constexpr int Continue = 11;
constexpr int Skip = 14;
constexpr int SkipAll = 15;
constexpr int IgnoreAll = 16;
constexpr int YesToAll = 19;
constexpr int NoToAll = 20;
constexpr int Custom1 = 23; // custom buttons are 23 to 26
constexpr int MaxCustomButtons = 4;
constexpr int Help = 300;
constexpr int Report = 301;
constexpr int CheckBox = 5555;
} // namespace MessageBoxButton

// Bits of the result besides the button number.
namespace MessageBoxResult {
constexpr std::uint32_t CountdownBit = 0x80000000u;
constexpr int WindowFailed = -1;
constexpr int NoMemory = 2;
} // namespace MessageBoxResult

// Bits of MessageBoxParams::Options.
namespace MessageBoxOption {
constexpr std::uint32_t RightAlignButtons = 1;
constexpr std::uint32_t ModernLook = 2;
constexpr std::uint32_t NarrowWidth = 4;
} // namespace MessageBoxOption

// Indexes of the button and check-box captions.
enum class CaptionIndex
{
    Abort,
    Cancel,
    Continue,
    DontAskAgain,
    DontTellAgain,
    DontShowAgain,
    Help,
    Ignore,
    IgnoreAll,
    No,
    NoToAll,
    Ok,
    Report,
    Retry,
    Skip,
    SkipAll,
    TryAgain,
    Yes,
    YesToAll,
};
constexpr int CaptionCount = 19;
using CaptionArray = std::array<QString, CaptionCount>;

// Looks a text up by its string number; a null text when there is none.
using StringLookupFunction = QString (*)(std::uint32_t id);
// Loads an icon by its number; a null icon when there is none.
using IconLookupFunction = QIcon (*)(std::uint32_t id);
// Called by the Report button with the message text and ReportData.
using ReportFunction = void (*)(const QString& message, std::uint32_t data);

// Optional settings of one message box; copied when the box starts.
struct MessageBoxParams
{
    std::uint32_t HelpContextId = 0;
    std::int32_t TimeoutSeconds = 0; // countdown on the default button, 0 = none
    std::int32_t DisabledSeconds = 0; // push buttons disabled for this long, 0 = none
    std::int32_t X = 0; // top-left corner on the screen; both 0 = centred
    std::int32_t Y = 0;
    std::uint32_t Options = 0; // MessageBoxOption bits
    StringLookupFunction StringModule = nullptr;
    IconLookupFunction IconModule = nullptr;
    std::uint32_t IconId = 0; // low 16 bits: icon number for IconModule
    QString IconName; // icon file or theme name, used when IconId is 0
    std::uint32_t CustomButtonsId = 0;
    QString CustomButtons; // captions separated by "\n", used when CustomButtonsId gives nothing
    std::uint32_t ReportCaptionId = 0;
    QString ReportCaption;
    QString CompanyKey; // extra level in the remembered answers' section
    QString CompareText; // identifies the question whose answer may be remembered
    std::int32_t CompareId = 0;
    std::uint32_t ReportData = 0;
    ReportFunction ReportCallback = nullptr;
    QColor TextColor; // invalid: the palette's window-text colour
    QColor BackgroundColor; // invalid: no upper band (the modern look gives one anyway)
    bool UseCustomCaptions = false;
    CaptionArray Captions; // replacements in caption-index order; empty keeps the slot
};
