#pragma once

#include <QByteArray>
#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class QBuffer;
class QLabel;
class QMovie;
class ToolProcesses;
struct GifEstimate;

// A small window that plays the real GIF of a few seconds of one file, made by the tools
// with the current settings, at its real size and timing, with its size and the estimate
// for the whole file under it. The work runs on a thread of its own; closing the window
// ends it and its tools.
class CGifPreviewWindow : public QDialog
{
    Q_OBJECT
public:
    // Seconds of the clip the preview shows.
    static constexpr double kSeconds = 3.0;

    CGifPreviewWindow(QWidget* parent, const std::string& path, const QString& shownName);
    ~CGifPreviewWindow() override;

    // The size text and the estimate line under the picture (for tests).
    QString CaptionText() const;
    // Whether the GIF plays (for tests).
    bool IsPlaying() const;
    // The preview's GIF, once made.
    const QByteArray& Gif() const { return m_gif; }

signals:
    // The GIF plays, or could not be made (`ok` false, the reason in the caption).
    void PreviewReady(bool ok);
    // The estimate line is in the caption.
    void EstimateReady();

private:
    void ShowGif(const std::string& gif, const std::string& reason);
    void ShowEstimate(const GifEstimate& estimate, const std::string& reason);
    void UpdateCaption();

    QLabel* m_picture = nullptr;
    QLabel* m_caption = nullptr;
    QByteArray m_gif;
    QBuffer* m_buffer = nullptr;
    QMovie* m_movie = nullptr;
    QString m_sizeLine;
    QString m_estimateLine;
    std::shared_ptr<std::atomic<bool>> m_stopped;
    std::shared_ptr<ToolProcesses> m_tools;
    std::thread m_worker;
};
