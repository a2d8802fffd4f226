#pragma once

#include "ui/OptionsStepRules.h"

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

// The modal window in which the output settings are edited. It shows the
// stored settings when it is created, stores the fields on OK and nothing
// otherwise; it keeps no settings of its own.
class COptionsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit COptionsDialog(QWidget* parent = nullptr);
    ~COptionsDialog() override;

    // Puts the built-in defaults into the fields and lists, storing nothing.
    void ResetFields();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ShowStoredSettings();
    void SetFieldText(QLineEdit* edit, const QString& text);
    QLineEdit* EditOf(StepField field) const;
    void Step(StepField field, int step);
    void StoreAndClose();
    // The size limit list: "None", then the settings file's presets by name and size.
    void FillSizeLimits();
    void ShowSizeLimit(long long bytes);
    std::string SizeLimitText() const;

    QLineEdit* m_start = nullptr;
    QLineEdit* m_end = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QLineEdit* m_quality = nullptr;
    QLineEdit* m_interval = nullptr;
    QLineEdit* m_frameRate = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_replay = nullptr;
    QLineEdit* m_gifQuality = nullptr;
    QComboBox* m_sizeLimit = nullptr;
    QComboBox* m_fitBy = nullptr;
    std::vector<SizeLimitPreset> m_presets; // in the order of the list, after "None"
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_reset = nullptr;
};
