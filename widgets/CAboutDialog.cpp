#include "widgets/CAboutDialog.h"

#include "widgets/CLinkLabel.h"
#include "widgets/DialogUnits.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

// The box's description, in dialog units.
constexpr int kWidth = 251;
constexpr int kHeight = 80;

struct UnitRect
{
    int x, y, cx, cy;
};

constexpr UnitRect kIconRect { 11, 17, 20, 20 };
constexpr UnitRect kProductRect { 40, 10, 145, 8 };
constexpr UnitRect kCopyrightRect { 40, 23, 196, 8 };
constexpr UnitRect kHomepageRect { 40, 36, 196, 8 };
constexpr UnitRect kEmailRect { 40, 49, 196, 8 };
constexpr UnitRect kOkRect { 194, 7, 50, 14 };

QLabel* MakeTextLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(text);
    return label;
}

} // namespace

CAboutDialog::CAboutDialog(QWidget* parent, AboutTexts texts, QIcon appIcon)
    : QDialog(parent)
{
    setFont(QApplication::font("QDialog"));
    const DialogUnits du = DialogUnits::FromFont(font());
    const auto place = [du](QWidget* widget, const UnitRect& r) {
        widget->setGeometry(du.Map(r.x, r.y, r.cx, r.cy));
    };

    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(du.Map(0, 0, kWidth, kHeight).size());

    // An icon static takes the icon's own size at its position, whatever the description says.
    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("icon"));
    const int iconExtent = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    const QRect iconCell = du.Map(kIconRect.x, kIconRect.y, kIconRect.cx, kIconRect.cy);
    m_iconLabel->setGeometry(QRect(iconCell.topLeft(), QSize(iconExtent, iconExtent)));
    if (!appIcon.isNull()) {
        // An icon without a large version is stretched, as an icon static stretches it.
        const QSize extent(iconExtent, iconExtent);
        QPixmap pixmap = appIcon.pixmap(extent, devicePixelRatio());
        if (pixmap.deviceIndependentSize().toSize() != extent) {
            pixmap = pixmap.scaled(
                extent * devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            pixmap.setDevicePixelRatio(devicePixelRatio());
        }
        m_iconLabel->setPixmap(pixmap);
    }

    const QString mailTarget = QStringLiteral("mailto:") + texts.Email;
    m_productLabel = MakeTextLabel(this, texts.SoftwareName);
    m_productLabel->setObjectName(QStringLiteral("product"));
    place(m_productLabel, kProductRect);
    m_copyrightLabel = MakeTextLabel(this, texts.Copyright);
    m_copyrightLabel->setObjectName(QStringLiteral("copyright"));
    place(m_copyrightLabel, kCopyrightRect);

    m_homepageLink = new CLinkLabel(this, texts.Homepage);
    m_homepageLink->setObjectName(QStringLiteral("homepage"));
    m_homepageLink->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_homepageLink, kHomepageRect);
    m_emailLink = new CLinkLabel(this, mailTarget);
    m_emailLink->setObjectName(QStringLiteral("email"));
    m_emailLink->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_emailLink, kEmailRect);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("ok"));
    place(m_okButton, kOkRect);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    m_homepageLink->Attach();
    m_emailLink->Attach();
    setWindowTitle(texts.SoftwareName);
    m_emailLink->SetUrl(mailTarget);
    m_emailLink->SetUnderline(false);
    m_homepageLink->SetUrl(texts.Homepage);
    m_homepageLink->SetUnderline(false);
    m_okButton->setFocus();
}

CAboutDialog::~CAboutDialog() = default;
