#include "DigoutPanel.h"

#include "PanelKit.h"
#include "acquisition/AcquisitionControl.h"
#include "common/Text1252.h"
#include "modules/NumberText.h"
#include "protocol/WireProtocol.h"
#include "widgets/Icons.h"
#include "widgets/imLed.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <utility>

namespace orvane {

namespace {
QLabel *rightAligned(QWidget *parent, const QString &text, const QRect &geometry)
{
    QLabel *label = textLabel(parent, text, geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

QComboBox *pickList(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    return list;
}
} // namespace

TDigoutPanel::TDigoutPanel(QWidget *parent)
    : TPaneles(parent)
{
    setObjectName(QStringLiteral("DigoutPanel"));
    DigoutPanelLabel = headingLabel(this, QStringLiteral("Digital outputs for module:"),
        "DigoutPanelLabel", QRect(10, 8, 439, 21));

    StatusGroupBox = new QGroupBox(QStringLiteral("Status"), this);
    StatusGroupBox->setObjectName(QStringLiteral("StatusGroupBox"));
    StatusGroupBox->setGeometry(8, 32, 457, 81);
    for (int output = 1; output <= 2; ++output) {
        const int y = 24 * output;
        textLabel(StatusGroupBox, QStringLiteral("Actual Status Output %1").arg(output),
            QRect(8, y, 113, 13));
        DigoutLed[output] = new TimLed(StatusGroupBox);
        DigoutLed[output]->setObjectName(QStringLiteral("Digout%1Led").arg(output));
        DigoutLed[output]->setGeometry(128, y, 14, 14);
    }

    buildOutput(1, 120);
    buildOutput(2, 232);

    NoteImage = new QLabel(this);
    NoteImage->setObjectName(QStringLiteral("NoteImage"));
    NoteImage->setGeometry(12, 344, 36, 36);
    NoteImage->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(36, 36));
    const char *note[] = { "On / Off / Rules settings are programmed into the wireless",
        "module and run independently of the windows software." };
    QFont bold = font();
    bold.setBold(true);
    for (int line = 0; line < 2; ++line) {
        NoteLabel[line]
            = textLabel(this, QLatin1String(note[line]), QRect(56, 344 + 16 * line, 409, 13));
        NoteLabel[line]->setObjectName(QStringLiteral("NoteLabel%1").arg(line + 1));
        NoteLabel[line]->setFont(bold);
    }
    NoteImage->hide();
    NoteLabel[0]->hide();
    NoteLabel[1]->hide();

    SaveButton = new QPushButton(QStringLiteral("Save"), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    SaveButton->setGeometry(8, 392, 75, 25);
    SaveButton->setIcon(buttonIcon(ButtonFace::Save));
    connect(SaveButton, &QPushButton::clicked, this, &TDigoutPanel::SaveButtonClick);
}

void TDigoutPanel::bind(AcquisitionControl *acquisition)
{
    m_acq = acquisition;
    connect(acquisition, &AcquisitionControl::outputModeSet, this, [this](int slot) {
        if (slot == m_shownSlot && m_acq && slot == m_acq->SelectedModule)
            UpdateDigoutPanel();
    });
}

// The controls of one output. Operator actions are bound to the signals that
// only operator input emits, so filling the panel runs no handler.
void TDigoutPanel::buildOutput(int output, int y)
{
    const QString n = QString::number(output);
    QGroupBox *modes = new QGroupBox(QStringLiteral("Output ") + n, this);
    modes->setObjectName(QStringLiteral("Digout%1RadioGroup").arg(output));
    modes->setGeometry(8, y, 121, 105);
    m_modes[output] = new QButtonGroup(modes);
    const std::pair<OutputMode, const char *> items[]
        = { { OutputOff, "Off" }, { OutputOn, "On" }, { OutputUseRule, "Use Rule" } };
    for (int row = 0; row < 3; ++row) {
        auto *button = new QRadioButton(QLatin1String(items[row].second), modes);
        button->setGeometry(8, 20 + 26 * row, 105, 17);
        m_modes[output]->addButton(button, items[row].first);
    }
    connect(m_modes[output], &QButtonGroup::idClicked, this,
        [this, output](int mode) { DigoutRadioGroupClick(output, mode); });
    DigoutRadioGroup[output] = modes;

    QGroupBox *rule = new QGroupBox(QStringLiteral("Rule for Output ") + n, this);
    rule->setObjectName(QStringLiteral("Digout%1RuleGroupBox").arg(output));
    rule->setGeometry(136, y, 329, 105);
    RuleGroupBox[output] = rule;
    rightAligned(rule, QStringLiteral("Output %1 will switch ").arg(output), QRect(8, 24, 105, 13));
    DigoutComboBox1[output]
        = pickList(rule, QStringLiteral("Digout%1ComboBox1").arg(output), QRect(120, 20, 121, 21));
    DigoutComboBox1[output]->addItems({ QStringLiteral("ON"), QStringLiteral("OFF") });
    rightAligned(rule, QStringLiteral("when"), QRect(22, 54, 89, 13));
    DigoutComboBox2[output]
        = pickList(rule, QStringLiteral("Digout%1ComboBox2").arg(output), QRect(120, 50, 121, 21));
    rightAligned(rule, QStringLiteral("is above "), QRect(16, 84, 97, 13));
    DigoutValueEdit[output] = new QLineEdit(QStringLiteral("2.5"), rule);
    DigoutValueEdit[output]->setObjectName(QStringLiteral("Digout%1ValueEdit").arg(output));
    DigoutValueEdit[output]->setGeometry(120, 80, 65, 21);
    DigoutUnitLabel[output] = textLabel(rule, QStringLiteral("Volt"), QRect(192, 84, 41, 13));
    DigoutUnitLabel[output]->setObjectName(QStringLiteral("Digout%1UnitLabel").arg(output));

    connect(DigoutComboBox1[output], &QComboBox::activated, this,
        [this, output](int index) { DigoutComboBox1Change(output, index); });
    connect(DigoutComboBox2[output], &QComboBox::activated, this,
        [this, output](int index) { DigoutComboBox2Change(output, index); });
    connect(DigoutValueEdit[output], &QLineEdit::textEdited, this,
        [this, output] { DigoutValueEditChange(output); });
    connect(DigoutValueEdit[output], &QLineEdit::editingFinished, this,
        [this, output] { leaveValueEdit(output); });
}

int TDigoutPanel::checkedMode(int output) const
{
    return m_modes[size_t(output)]->checkedId();
}

int TDigoutPanel::outputSignal(const TOV_MOD_Object &module, int output) const
{
    return output == 1 ? module.Output1Signal() : module.Output2Signal();
}

TOV_MOD_Object *TDigoutPanel::shownModule()
{
    if (!m_acq)
        return nullptr;
    const int slot = m_acq->SelectedModule;
    if (slot < 1 || slot > 4)
        return nullptr;
    TOV_MOD_Object *module = m_acq->ModObject[slot].get();
    // After a scan the panel may still show a module that moved or left; a
    // click on it must not change whatever is selected now.
    if (slot != m_shownSlot || module->SerialText != m_shownSerial) {
        UpdateDigoutPanel();
        return nullptr;
    }
    return module;
}

void TDigoutPanel::UpdateDigoutPanel()
{
    if (!m_acq || m_acq->SelectedModule < 1 || m_acq->SelectedModule > 4)
        return;
    TOV_MOD_Object &module = *m_acq->ModObject[m_acq->SelectedModule];
    m_shownSlot = m_acq->SelectedModule;
    m_shownSerial = module.SerialText;

    // A type-2 module always switches its outputs on above the threshold.
    const bool type2 = module.ModuleType == 2;
    for (int output = 1; output <= 2; ++output) {
        if (type2)
            module.Signals[outputSignal(module, output)].RuleAction = 0;
        DigoutComboBox1[output]->setEnabled(!type2);
    }
    NoteImage->setVisible(type2);
    NoteLabel[0]->setVisible(type2);
    NoteLabel[1]->setVisible(type2);
    DigoutPanelLabel->setText(
        QStringLiteral("Digital outputs for module: ") + fromWindows1252(module.SerialText));
    UpdateDigoutPanel_LEDS();

    for (int output = 1; output <= 2; ++output) {
        QComboBox *inputs = DigoutComboBox2[output];
        inputs->clear();
        for (int i = 1; i < module.Output1Signal(); ++i)
            inputs->addItem(fromWindows1252(module.Signals[i].Name));
        fillOutput(module, output);
    }
}

// A value from a damaged settings file that names no item selects none.
void TDigoutPanel::fillOutput(TOV_MOD_Object &module, int output)
{
    const TSignalRecord &s = module.Signals[outputSignal(module, output)];
    QButtonGroup *modes = m_modes[output];
    modes->setExclusive(false);
    for (QAbstractButton *button : modes->buttons())
        button->setChecked(modes->id(button) == s.OutputMode);
    modes->setExclusive(true);
    DigoutComboBox1[output]->setCurrentIndex(
        s.RuleAction == 0 || s.RuleAction == 1 ? s.RuleAction : -1);
    const bool knownInput = s.RuleInput >= 1 && s.RuleInput < module.Output1Signal();
    DigoutComboBox2[output]->setCurrentIndex(knownInput ? s.RuleInput - 1 : -1);
    DigoutValueEdit[output]->setText(QString::fromLatin1(formatTwoDecimals(s.RuleValue)));
    DigoutUnitLabel[output]->setText(
        knownInput ? fromWindows1252(module.Signals[s.RuleInput].Unit) : QString());
}

void TDigoutPanel::UpdateDigoutPanel_LEDS()
{
    if (!m_acq || m_acq->SelectedModule < 1 || m_acq->SelectedModule > 4)
        return;
    const TOV_MOD_Object &module = *m_acq->ModObject[m_acq->SelectedModule];
    // Not lit at 0, below it, or for a value that is not a number.
    for (int output = 1; output <= 2; ++output)
        DigoutLed[output]->setChecked(module.Samples[outputSignal(module, output)].Current > 0);
}

void TDigoutPanel::DigoutRadioGroupClick(int output, int mode)
{
    if (shownModule() && m_acq->setOutputMode(m_shownSlot, output, mode))
        UpdateDigoutPanel();
}

void TDigoutPanel::DigoutComboBox1Change(int output, int index)
{
    TOV_MOD_Object *module = shownModule();
    if (!module || index < 0 || index > 1)
        return;
    module->Signals[outputSignal(*module, output)].RuleAction = index;
    m_acq->moduleEdited(m_shownSlot);
}

void TDigoutPanel::DigoutComboBox2Change(int output, int index)
{
    TOV_MOD_Object *module = shownModule();
    if (!module || index < 0 || index + 1 >= module->Output1Signal())
        return;
    module->Signals[outputSignal(*module, output)].RuleInput = index + 1;
    DigoutUnitLabel[output]->setText(fromWindows1252(module->Signals[index + 1].Unit));
    m_acq->moduleEdited(m_shownSlot);
}

void TDigoutPanel::DigoutValueEditChange(int output)
{
    QLineEdit *edit = DigoutValueEdit[output];
    // A typed decimal comma turns into a point at once, the cursor staying
    // where it was.
    if (edit->text().contains(u',')) {
        const int cursor = edit->cursorPosition();
        edit->setText(edit->text().replace(u',', u'.'));
        edit->setCursorPosition(cursor);
    }
    TOV_MOD_Object *module = shownModule();
    if (!module)
        return;
    // Only a text that reads as a number is a threshold: while "-3" is typed,
    // the rule never sees the "-" in between.
    if (const std::optional<double> value = readNumber(toWindows1252(edit->text()))) {
        module->Signals[outputSignal(*module, output)].RuleValue = *value;
        m_acq->moduleEdited(m_shownSlot);
    }
}

void TDigoutPanel::leaveValueEdit(int output)
{
    DigoutValueEditChange(output);
    // A text that is no number shows the threshold in force again.
    TOV_MOD_Object *module = shownModule();
    if (module && !readNumber(toWindows1252(DigoutValueEdit[output]->text()))) {
        DigoutValueEdit[output]->setText(QString::fromLatin1(
            formatTwoDecimals(module->Signals[outputSignal(*module, output)].RuleValue)));
    }
}

void TDigoutPanel::SaveButtonClick()
{
    if (shownModule())
        m_acq->saveModuleSettings(m_shownSlot);
}

} // namespace orvane
