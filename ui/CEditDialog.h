#pragma once

#include "engine/FileEdit.h"
#include "ui/ClipFacts.h"

#include <QDialog>
#include <climits>
#include <string>

class CFrameCropView;
class FrameGrabber;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;

// The edit of one file of the list: the frame at a position of the clip, where
// the GIF starts and ends, a crop rectangle drawn on the frame, the speed, the
// order of the frames and a caption. OK keeps the edit only when every value
// passes CheckFileEdit; otherwise the message box says what is wrong.
class CEditDialog : public QDialog
{
    Q_OBJECT
public:
    // `input` is the file's path as the tools take it; `shownName` its name for
    // the title; `facts` what its media information says.
    CEditDialog(QWidget* parent, std::string input, const QString& shownName, ClipFacts facts,
        const FileEdit& edit);
    ~CEditDialog() override;

    // The edit as the fields hold it now (only checked by OK).
    FileEdit Edit() const;

    // The current frame; moving there asks for its picture.
    int Position() const;
    void SetPosition(int frame);
    void Step(int frames);

public slots:
    void accept() override;

private:
    void BuildControls();
    void LoadEdit(const FileEdit& edit);
    void ShowPosition();
    void RequestFrame();
    void OnFrameReady(int request, const QImage& image);
    void SetCropFields(const QRect& crop);
    // The crop fields reach as far as the frame does.
    void SetFrameLimits(QSize frame);
    QRect CropFromFields() const;
    void OnCropFieldsChanged();
    void OnCropToggled(bool on);
    void OnAspectChanged();
    void UpdateCaptionPreview();
    double Aspect() const;
    QSize FrameSize() const;
    // The time in a field, or nothing when it is empty; false when it is no time.
    bool ReadTime(QLineEdit* field, const QString& what, std::optional<double>* value);

    std::string m_input;
    ClipFacts m_facts;
    FrameGrabber* m_grabber = nullptr;
    int m_request = 0; // the newest frame asked for
    int m_firstMissing = INT_MAX; // the first position found to have no frame

    CFrameCropView* m_view = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_positionText = nullptr;
    QLineEdit* m_trimStart = nullptr;
    QLineEdit* m_trimEnd = nullptr;
    QCheckBox* m_crop = nullptr;
    QComboBox* m_aspect = nullptr;
    QSpinBox* m_cropWidth = nullptr;
    QSpinBox* m_cropHeight = nullptr;
    QSpinBox* m_cropX = nullptr;
    QSpinBox* m_cropY = nullptr;
    QDoubleSpinBox* m_speed = nullptr;
    QComboBox* m_order = nullptr;
    QPlainTextEdit* m_caption = nullptr;
    QComboBox* m_captionAt = nullptr;
    QLineEdit* m_captionFrom = nullptr;
    QLineEdit* m_captionTo = nullptr;
};
