#include "MainFormUnit.h"

#include "AboutUnit.h"
#include "AlarmPanel.h"
#include "DataLoggingPanel.h"
#include "DigoutPanel.h"
#include "InfoPanel.h"
#include "MainFormPorts.h"
#include "PanelKit.h"
#include "SettingsPanel.h"
#include "TxRxPanel.h"
#include "modules/WarningFormUnit.h"
#include "trace/LogViewerUnit.h"
#include "trace/TPlotWindowUnit.h"
#include "widgets/Fonts.h"
#include "widgets/Icons.h"
#include "widgets/MXPMenu.h"
#include "widgets/Paneles.h"
#include "widgets/TreeList.h"
#include "widgets/VersionInfo.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenuBar>
#include <QToolButton>

namespace orvane {

namespace {
constexpr int kClientWidth = 864;
constexpr int kClientHeight = 493;
constexpr QRect kPanelRect(376, 8, 480, 425);
} // namespace

TMainForm::TMainForm(std::unique_ptr<D2xxDriver> driver, const Options &options, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TMainForm"));
    buildControls();
    m_messages = std::make_unique<MessageBoxes>(this);

    AcquisitionControl::Ports ports;
    ports.eventLog = InfoPanel->eventLog();
    ports.messages = m_messages.get();
    ports.tree = &m_tree;
    ports.view = this;
    ports.trace = this;
    ports.config = SettingsPanel->configView();
    ports.alarms = AlarmPanel->alarmOutput();
    m_session = std::make_unique<OrvaneSession>(std::move(driver), ports, options);
    SettingsPanel->bind(acquisition());
    SettingsPanel->setTraceSlots(this);
    DigoutPanel->bind(acquisition());
    DataLoggingPanel->bind(acquisition());

    MasterTree->setModel(&m_tree);
}

TMainForm::~TMainForm()
{
    // The session's tick reaches into the panels: it ends first.
    m_session.reset();
    MasterTree->setModel(nullptr);
}

void TMainForm::setWarningForm(TWarningForm *form)
{
    m_warningForm = form;
    AlarmPanel->alarmOutput()->setWarningForm(form);
}

void TMainForm::setTraceWindow(TPlotWindow *window)
{
    m_traceWindow = window;
}

// ---------------------------------------------------------------- layout

void TMainForm::buildControls()
{
    setWindowTitle(QStringLiteral("Orvane System"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
        | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());
    buildMenu();

    MainPaneles = new TPaneles(this);
    MainPaneles->setObjectName(QStringLiteral("MainPaneles"));
    MainPaneles->setFixedSize(kClientWidth, kClientHeight);
    MainPaneles->setBevelOuter(TPaneles::BevelCut::None);
    MainPaneles->setBitmap(mainSkin());
    setCentralWidget(MainPaneles);

    MasterTree = new TpTree(MainPaneles);
    MasterTree->setObjectName(QStringLiteral("MasterTree"));
    MasterTree->setGeometry(8, 8, 361, 425);
    MasterTree->setSections({ 220, 70, 70, 50 }, 3);
    MasterTree->setImages(treeImages());
    MasterTree->setIconSize(QSize(16, 16));

    buildButtons();

    TxRxPanel = new TTxRxPanel(MainPaneles);
    SettingsPanel = new TSettingsPanel(MainPaneles);
    DataLoggingPanel = new TDataLoggingPanel(MainPaneles);
    InfoPanel = new TInfoPanel(MainPaneles);
    DigoutPanel = new TDigoutPanel(MainPaneles);
    AlarmPanel = new TAlarmPanel(MainPaneles);
    Panels = { nullptr, TxRxPanel, SettingsPanel, DataLoggingPanel, InfoPanel, DigoutPanel,
        AlarmPanel };
    for (int i = 1; i <= 6; ++i)
        Panels[i]->setGeometry(kPanelRect);
    SetPanelsVisible(4);
    setFixedSize(sizeHint());
}

void TMainForm::buildButtons()
{
    struct Button
    {
        QToolButton *&field;
        const char *name;
        int x;
        ButtonFace face;
        const char *hint;
        void (TMainForm::*handler)();
    };
    const Button buttons[] = {
        { SpeedButton3, "SpeedButton3", 8, ButtonFace::Scan, "Scan for wireless modules",
            &TMainForm::ScanButtonClick },
        { GreenCyclicButton, "GreenCyclicButton", 64, ButtonFace::CycleRunning,
            "Toggle cyclic update", &TMainForm::GreenCyclicButtonClick },
        { RedCyclicButton, "RedCyclicButton", 64, ButtonFace::CycleStopped, "Toggle cyclic update",
            &TMainForm::RedCyclicButtonClick },
        { InfoSpeedButton, "InfoSpeedButton", 375, ButtonFace::EventLog, "Show logging",
            &TMainForm::InfoSpeedButtonClick },
        { TxRxSpeedButton, "TxRxSpeedButton", 431, ButtonFace::Statistics, "Wireless statistics",
            &TMainForm::TxRxSpeedButtonClick },
        { SettingsSpeedButton, "SettingsSpeedButton", 487, ButtonFace::Settings,
            "Module configuration", &TMainForm::SettingsSpeedButtonClick },
        { DigoutButton, "DigoutButton", 543, ButtonFace::Outputs, "Set digital outputs",
            &TMainForm::DigoutButtonClick },
        { DataLoggingSpeedButton, "DataLoggingSpeedButton", 599, ButtonFace::DataLogging,
            "Data logging to file", &TMainForm::DataLoggingSpeedButtonClick },
        { PlotSpeedButton, "PlotSpeedButton", 656, ButtonFace::Trace, "Show trace window",
            &TMainForm::PlotSpeedButtonClick },
        { AlarmButton, "AlarmButton", 712, ButtonFace::Alarms, "Alarm messages",
            &TMainForm::AlarmButtonClick },
    };
    for (const Button &b : buttons) {
        b.field = imageButton(MainPaneles, b.name, b.x, 440, b.face, QLatin1String(b.hint));
        connect(b.field, &QToolButton::clicked, this, b.handler);
    }
    GreenCyclicButton->hide();
    connect(MasterTree, &TpTree::nodeClicked, this, [this] { MasterTreeClick(); });
}

void TMainForm::buildMenu()
{
    const QList<QIcon> images = menuImages();
    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    QAction *openLogItem = fileMenu->addAction(images.value(8),
        QStringLiteral("&Open measurement log..."), this, &TMainForm::OpenLogItemClick);
    openLogItem->setObjectName(QStringLiteral("OpenLogItem"));
    QAction *exitItem = fileMenu->addAction(
        images.value(6), QStringLiteral("E&xit"), this, &TMainForm::MenuExitClick);
    exitItem->setObjectName(QStringLiteral("MenuExit"));
    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    QAction *aboutItem = helpMenu->addAction(
        images.value(3), QStringLiteral("&About"), this, &TMainForm::AboutMenuItemClick);
    aboutItem->setObjectName(QStringLiteral("AboutMenuItem"));

    MXPMenu1 = new TMXPMenu(this);
    MXPMenu1->setObjectName(QStringLiteral("MXPMenu1"));
    MXPMenu1->BackColor = Qt::white;
    MXPMenu1->IconBackColor = palette().color(QPalette::Button);
    MXPMenu1->SelectedBackColor = QColor(254, 220, 144);
    MXPMenu1->FontColor = Qt::black;
    MXPMenu1->SelectedFontColor = Qt::black;
    MXPMenu1->DisabledFontColor = QColor(128, 128, 128);
    MXPMenu1->SeparatorColor = QColor(209, 209, 209);
    MXPMenu1->CheckedColor = QColor(128, 128, 128);
    MXPMenu1->CheckedSignColor = QColor(57, 109, 165);
    MXPMenu1->setActive(true);
}

// ---------------------------------------------------------------- handlers

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMainForm::FormShow()
{
    move(0, 0);
    m_session->start(TVerInfo().FileVersion().toLatin1());
    SetPanelsVisible(4);
    // Every panel, and the warning window, gets its own copy of the skin.
    const QPixmap skin = MainPaneles->Bitmap();
    for (int i = 1; i <= 6; ++i)
        Panels[i]->setBitmap(skin);
    if (m_warningForm)
        m_warningForm->setSkin(skin);
    // Hint timing of every control that has a hint.
    if (!m_hintTiming) {
        m_hintTiming = new HintTiming;
        m_hintTiming->setParent(this);
        for (QWidget *w : MainPaneles->findChildren<QWidget *>()) {
            if (!w->toolTip().isEmpty())
                w->setStyle(m_hintTiming);
        }
    }
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    event->accept();
    // The program ends with its main window, also while another window is open.
    QCoreApplication::quit();
}

void TMainForm::FormClose()
{
    m_session->close();
}

void TMainForm::MainTimerTimer()
{
    acquisition()->MainTimerTimer();
}

void TMainForm::ScanButtonClick()
{
    acquisition()->ScanButtonClick();
}

void TMainForm::GreenCyclicButtonClick()
{
    acquisition()->GreenCyclicButtonClick();
}

void TMainForm::RedCyclicButtonClick()
{
    acquisition()->RedCyclicButtonClick();
}

void TMainForm::InfoDialogAdd(const QByteArray &text)
{
    acquisition()->InfoDialogAdd(text);
}

void TMainForm::SettingsSpeedButtonClick()
{
    UpdateSettingsPanel();
    SetPanelsVisible(2);
}

void TMainForm::DigoutButtonClick()
{
    DigoutPanel->UpdateDigoutPanel(); // only when a module is selected
    SetPanelsVisible(5);
}

void TMainForm::DataLoggingSpeedButtonClick()
{
    DataLoggingPanel->refresh();
    SetPanelsVisible(3);
}

void TMainForm::PlotSpeedButtonClick()
{
    if (m_traceWindow) {
        m_traceWindow->show();
        m_traceWindow->raise();
    }
}

void TMainForm::MasterTreeClick()
{
    TreeNode *node = m_tree.selected();
    if (!node)
        return;
    AcquisitionControl *acq = acquisition();
    const QByteArray text = node->text();
    const qsizetype at = text.indexOf("|Level ");
    if (at < 0 || at + 7 >= text.size())
        return;
    const int level = text.at(at + 7) - '0';
    bool outputSignal = false;
    if (level == 4) {
        outputSignal = node->imageIndex() == 4;
        node = node->parent();
    }
    if (level == 3 || level == 4) {
        const QByteArray moduleText = node ? node->text() : QByteArray();
        const qsizetype p = moduleText.indexOf("|0x");
        acq->SelectedModule = p < 0 ? 0 : acq->FindModBySN(moduleText.mid(p + 1, 7));
        UpdateSettingsPanel();
        DigoutPanel->UpdateDigoutPanel();
        SetPanelsVisible(outputSignal ? 5 : 2);
    } else if (level == 1) {
        SetPanelsVisible(4);
    } else if (level == 2) {
        SetPanelsVisible(1);
    }
}

void TMainForm::MenuExitClick()
{
    // Ends the message loop at once; the close handler does not run.
    QCoreApplication::quit();
}

void TMainForm::AboutMenuItemClick()
{
    // A new box per click, centred over the window, modal.
    TAboutBox box(this);
    box.move(TAboutBox::centredOver(frameGeometry(), box.frameGeometry().size()));
    box.exec();
}

void TMainForm::OpenLogItemClick()
{
    // Logs are written to the current folder; the dialog starts there.
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open measurement log"),
        QString(), QStringLiteral("Measurement logs (Data_*.txt);;All files (*)"));
    if (!path.isEmpty())
        TLogViewer::openLog(path, this);
}

// ---------------------------------------------------------------- view port

void TMainForm::showCyclicButtons(bool running)
{
    GreenCyclicButton->setVisible(running);
    RedCyclicButton->setVisible(!running);
}

void TMainForm::SetPanelsVisible(int panel)
{
    for (int i = 1; i <= 6; ++i) {
        Panels[i]->move(kPanelRect.topLeft());
        Panels[i]->setVisible(i == panel);
    }
}

void TMainForm::setOviLabel(const QByteArray &text)
{
    TxRxPanel->setOviLabel(text);
}

void TMainForm::setModuleLabel(int slot, const QByteArray &text)
{
    TxRxPanel->setModuleLabel(slot, text);
}

void TMainForm::UpdateTxRxPanel(
    qint32 tx, qint32 rx, qint32 badRx, const std::array<qint32, 4> &lostReplies)
{
    TxRxPanel->UpdateTxRxPanel(tx, rx, badRx, lostReplies);
}

void TMainForm::UpdateDigoutPanel_LEDS()
{
    DigoutPanel->UpdateDigoutPanel_LEDS();
}

void TMainForm::UpdateSettingsPanel()
{
    SettingsPanel->UpdateSettingsPanel();
}

void TMainForm::SetModules(const std::array<TOV_MOD_Object *, 4> &modules)
{
    if (m_traceWindow)
        m_traceWindow->SetModules(modules);
}

void TMainForm::RefreshTraces()
{
    if (m_traceWindow)
        m_traceWindow->RefreshTraces();
}

void TMainForm::RemoveModuleTraces(int slot)
{
    if (m_traceWindow)
        m_traceWindow->RemoveModuleTraces(slot);
}

bool TMainForm::AddTrace(int module, int signal)
{
    // Without a trace window the box is simply ticked.
    return !m_traceWindow || m_traceWindow->AddTrace(module, signal);
}

void TMainForm::RemoveTrace(int module, int signal)
{
    if (m_traceWindow)
        m_traceWindow->RemoveTrace(module, signal);
}

} // namespace orvane
