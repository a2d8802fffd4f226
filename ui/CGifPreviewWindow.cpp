#include "ui/CGifPreviewWindow.h"

#include "engine/EstimateFile.h"
#include "engine/EstimateText.h"
#include "engine/PreviewGif.h"
#include "engine/Settings.h"
#include "engine/ToolProcesses.h"

#include <QBuffer>
#include <QLabel>
#include <QMovie>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CGifPreviewWindow::CGifPreviewWindow(
    QWidget* parent, const std::string& path, const QString& shownName)
    : QDialog(parent)
    , m_stopped(std::make_shared<std::atomic<bool>>(false))
    , m_tools(std::make_shared<ToolProcesses>())
{
    setObjectName("gifPreview");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Preview GIF - %1").arg(shownName));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_picture = new QLabel(tr("Making the GIF of %1 s...").arg(kSeconds, 0, 'f', 0), this);
    m_picture->setObjectName("gifPicture");
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(240, 60);
    m_caption = new QLabel(this);
    m_caption->setObjectName("gifCaption");
    m_caption->setWordWrap(true);
    m_caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_picture, 0, Qt::AlignCenter);
    layout->addWidget(m_caption);

    // The settings as a conversion would read them now.
    const SampleJob job = SampleJobFor(path, LoadSettings());
    m_worker = std::thread([this, job, stopped = m_stopped, tools = m_tools] {
        std::string gif;
        std::string reason;
        MakePreviewGif(job, kSeconds, &gif, *stopped, tools.get(), &reason);
        if (*stopped)
            return;
        QMetaObject::invokeMethod(
            this, [this, gif, reason] { ShowGif(gif, reason); }, Qt::QueuedConnection);
        const GifEstimate estimate = EstimateFile(job, *stopped, tools.get(), &reason);
        if (*stopped)
            return;
        QMetaObject::invokeMethod(
            this, [this, estimate, reason] { ShowEstimate(estimate, reason); },
            Qt::QueuedConnection);
    });
}

CGifPreviewWindow::~CGifPreviewWindow()
{
    *m_stopped = true;
    m_tools->EndAll();
    m_worker.join();
    if (m_movie)
        m_movie->stop();
}

QString CGifPreviewWindow::CaptionText() const
{
    return m_caption->text();
}

bool CGifPreviewWindow::IsPlaying() const
{
    return m_movie && m_movie->state() == QMovie::Running;
}

void CGifPreviewWindow::ShowGif(const std::string& gif, const std::string& reason)
{
    if (gif.empty()) {
        m_picture->setText(tr("No preview: %1").arg(Q(reason)));
        emit PreviewReady(false);
        return;
    }
    m_gif = QByteArray(gif.data(), static_cast<qsizetype>(gif.size()));
    m_buffer = new QBuffer(&m_gif, this);
    m_buffer->open(QIODevice::ReadOnly);
    m_movie = new QMovie(m_buffer, QByteArray("gif"), this);
    m_movie->setCacheMode(QMovie::CacheAll);
    m_picture->setText(QString());
    m_picture->setMovie(m_movie);
    m_movie->start();
    // Its real size: the first frame's, as the file says.
    m_picture->setFixedSize(m_movie->frameRect().size().expandedTo(QSize(1, 1)));
    m_sizeLine = tr("This GIF: %1 for %2 s.")
                     .arg(Q(SizeText(static_cast<long long>(gif.size()))))
                     .arg(kSeconds, 0, 'f', 0);
    UpdateCaption();
    emit PreviewReady(true);
}

void CGifPreviewWindow::ShowEstimate(const GifEstimate& estimate, const std::string& reason)
{
    m_estimateLine = estimate.Valid ? tr("The whole file: %1.").arg(Q(EstimateLine(estimate)))
                                    : tr("No estimate for the whole file: %1.").arg(Q(reason));
    UpdateCaption();
    emit EstimateReady();
}

void CGifPreviewWindow::UpdateCaption()
{
    QStringList lines;
    for (const QString& line : { m_sizeLine, m_estimateLine })
        if (!line.isEmpty())
            lines << line;
    m_caption->setText(lines.join(QLatin1Char('\n')));
    // Wide enough for the estimate line, at least as wide as the picture.
    m_caption->setFixedWidth(std::max(m_picture->width(), 360));
}
