#pragma once

#include "widgets/Paneles.h"

#include <QPointer>

#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane {

class AcquisitionControl;
class TOV_MOD_Object;
class TimLed;

// Panel 5: the two digital outputs of the selected module: their states as
// LEDs, and for each its mode ("Off", "On", "Use Rule") and threshold rule.
// Edits act on the module at once and reach its settings file with "Save".
// Arrays are indexed by output number 1..2.
class TDigoutPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TDigoutPanel(QWidget *parent = nullptr);

    // Also follows mode changes made elsewhere (a remote command).
    void bind(AcquisitionControl *acquisition);

    QLabel *DigoutPanelLabel = nullptr; // heading
    QGroupBox *StatusGroupBox = nullptr;
    std::array<TimLed *, 3> DigoutLed {}; // Digout1Led, Digout2Led
    std::array<QGroupBox *, 3> DigoutRadioGroup {}; // items "Off", "On", "Use Rule"
    std::array<QGroupBox *, 3> RuleGroupBox {}; // "Rule for Output n"
    std::array<QComboBox *, 3> DigoutComboBox1 {}; // "ON" / "OFF"
    std::array<QComboBox *, 3> DigoutComboBox2 {}; // the input signals' names
    std::array<QLineEdit *, 3> DigoutValueEdit {};
    std::array<QLabel *, 3> DigoutUnitLabel {};
    QLabel *NoteImage = nullptr; // the type-2 note: image and two lines
    std::array<QLabel *, 2> NoteLabel {};
    QPushButton *SaveButton = nullptr;

    // The output mode item checked in a radio group, -1 for none.
    int checkedMode(int output) const;

    // --- handlers ---
    // Fills the whole panel from the selected module; runs no handler.
    void UpdateDigoutPanel();
    // Both LEDs from the selected module's output states.
    void UpdateDigoutPanel_LEDS();
    void DigoutRadioGroupClick(int output, int mode);
    void DigoutComboBox1Change(int output, int index);
    void DigoutComboBox2Change(int output, int index);
    void DigoutValueEditChange(int output);
    void SaveButtonClick();

private:
    void buildOutput(int output, int y);
    // The selected module when the panel shows it; otherwise null, after the
    // panel was filled again from the selected module.
    TOV_MOD_Object *shownModule();
    int outputSignal(const TOV_MOD_Object &module, int output) const;
    void fillOutput(TOV_MOD_Object &module, int output);
    void leaveValueEdit(int output);

    QPointer<AcquisitionControl> m_acq;
    std::array<QButtonGroup *, 3> m_modes {};
    int m_shownSlot = 0;
    QByteArray m_shownSerial;
};

} // namespace orvane
