#include "MainFormUnit.h"

#include "MainFormPorts.h"
#include "OrvaneVersion.h"
#include "acquisition/ThdTimer.h"
#include "common/Text1252.h"
#include "modules/WarningFormUnit.h"
#include "net/TcpDataServer.h"
#include "widgets/Icons.h"
#include "widgets/TreeList.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace orvane {

namespace {
constexpr int kClientWidth = 864;
constexpr int kClientHeight = 493;
constexpr QRect kPanelRect(376, 8, 480, 425);

QToolButton *imageButton(QWidget *parent, int x, int y, ButtonFace face, const QString &hint)
{
    auto *button = new QToolButton(parent);
    button->setGeometry(x, y, 50, 50);
    button->setIcon(buttonIcon(face));
    button->setIconSize(QSize(40, 40));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    return button;
}

QLabel *valueBox(QWidget *parent, int y)
{
    auto *box = new QLabel(QStringLiteral("0 "), parent);
    box->setGeometry(152, y, 65, 17);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return box;
}
} // namespace

TMainForm::TMainForm(D2xxDriver *driver, const Options &options, QWidget *parent)
    : QMainWindow(parent), m_options(options)
{
    // The stored layout: the polling timer enabled at 180 ms with the lowest
    // priority. It is started first so the interval runs while the window is
    // built; its tick runs only once the message loop does, after all this.
    ThreadedTimer1 = new TThreadedTimer(this);
    ThreadedTimer1->setInterval(180);
    ThreadedTimer1->setThreadPriority(QThread::LowestPriority);
    ThreadedTimer1->OnTimer = [this](TThreadedTimer *) { MainTimerTimer(); };
    if (m_options.startTimer)
        ThreadedTimer1->setEnabled(true);

    buildControls();

    m_memoLog = std::make_unique<MemoLog>(InfoMemo);
    m_messages = std::make_unique<MessageBoxes>(this);
    m_gridView = std::make_unique<GridConfigView>(StringGrid, SettingsLabel, CheckBoxes);
    m_alarmOutput = std::make_unique<AlarmPanelOutput>(AlarmMemo);

    AcquisitionControl::Ports ports;
    ports.eventLog = m_memoLog.get();
    ports.messages = m_messages.get();
    ports.tree = &m_tree;
    ports.view = this;
    ports.trace = this;
    ports.config = m_gridView.get();
    ports.alarms = m_alarmOutput.get();
    m_acq = std::make_unique<AcquisitionControl>(driver, ports);

    MasterTree->setModel(&m_tree);
    FormCreate();

    m_acq->ThreadedTimer1 = ThreadedTimer1;
    startDataServer(m_options.dataPort);
}

TMainForm::~TMainForm()
{
    // Stop the tick first: it reaches into everything below.
    delete ThreadedTimer1;
    ThreadedTimer1 = nullptr;
    m_acq->ThreadedTimer1 = nullptr;
    delete IdTCPServer;
    IdTCPServer = nullptr;
    MasterTree->setModel(nullptr);
}

void TMainForm::setWarningForm(TWarningForm *form)
{
    m_alarmOutput->setWarningForm(form);
}

void TMainForm::startDataServer(quint16 port)
{
    IdTCPServer = new TcpDataServer(port, this);
    connect(IdTCPServer, &TcpDataServer::eventLogLines, this,
            [this](const QList<QByteArray> &lines) { appendEventLogLines(m_memoLog.get(), lines); });
    connect(m_acq.get(), &AcquisitionControl::modulesChanged, this, [this] {
        const auto modules = m_acq->modules();
        IdTCPServer->publishModules({modules[0], modules[1], modules[2], modules[3]});
    });
    if (!IdTCPServer->start()) {
        // The program runs on without the data service; the first tick says why.
        m_acq->ServerStatusLine = IdTCPServer->errorText();
    }
}

// ---------------------------------------------------------------- layout

void TMainForm::buildControls()
{
    setWindowTitle(QStringLiteral("Orvane System"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->addAction(QStringLiteral("E&xit"), this, &TMainForm::MenuExitClick);
    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->addAction(QStringLiteral("&About"), this, &TMainForm::AboutMenuItemClick);

    MainPaneles = new QWidget(this);
    MainPaneles->setObjectName(QStringLiteral("MainPaneles"));
    MainPaneles->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(MainPaneles);

    MasterTree = new TpTree(MainPaneles);
    MasterTree->setObjectName(QStringLiteral("MasterTree"));
    MasterTree->setGeometry(8, 8, 361, 425);
    MasterTree->setSections({220, 70, 70, 50}, 3);
    MasterTree->setImages(treeImages());
    MasterTree->setIconSize(QSize(16, 16));
    connect(MasterTree, &TpTree::nodeClicked, this, [this] { MasterTreeClick(); });

    SpeedButton3 = imageButton(MainPaneles, 8, 440, ButtonFace::Scan, "Scan for wireless modules");
    GreenCyclicButton = imageButton(MainPaneles, 64, 440, ButtonFace::CycleRunning, "Toggle cyclic update");
    RedCyclicButton = imageButton(MainPaneles, 64, 440, ButtonFace::CycleStopped, "Toggle cyclic update");
    InfoSpeedButton = imageButton(MainPaneles, 375, 440, ButtonFace::EventLog, "Show logging");
    TxRxSpeedButton = imageButton(MainPaneles, 431, 440, ButtonFace::Statistics, "Wireless statistics");
    SettingsSpeedButton = imageButton(MainPaneles, 487, 440, ButtonFace::Settings, "Module configuration");
    DigoutButton = imageButton(MainPaneles, 543, 440, ButtonFace::Outputs, "Set digital outputs");
    DataLoggingSpeedButton = imageButton(MainPaneles, 599, 440, ButtonFace::DataLogging, "Data logging to file");
    PlotSpeedButton = imageButton(MainPaneles, 656, 440, ButtonFace::Trace, "Show trace window");
    AlarmButton = imageButton(MainPaneles, 712, 440, ButtonFace::Alarms, "Alarm messages");
    GreenCyclicButton->hide();

    connect(SpeedButton3, &QToolButton::clicked, this, &TMainForm::ScanButtonClick);
    connect(GreenCyclicButton, &QToolButton::clicked, this, &TMainForm::GreenCyclicButtonClick);
    connect(RedCyclicButton, &QToolButton::clicked, this, &TMainForm::RedCyclicButtonClick);
    connect(InfoSpeedButton, &QToolButton::clicked, this, &TMainForm::InfoSpeedButtonClick);
    connect(TxRxSpeedButton, &QToolButton::clicked, this, &TMainForm::TxRxSpeedButtonClick);
    connect(SettingsSpeedButton, &QToolButton::clicked, this, [this] { SetPanelsVisible(2); });
    connect(DigoutButton, &QToolButton::clicked, this, [this] { SetPanelsVisible(5); });
    connect(DataLoggingSpeedButton, &QToolButton::clicked, this, [this] { SetPanelsVisible(3); });
    connect(AlarmButton, &QToolButton::clicked, this, &TMainForm::AlarmButtonClick);

    TxRxPanel = makePanel(QStringLiteral("Orvane Interface"));
    SettingsPanel = makePanel(QStringLiteral("Configuration for module:"));
    DataLoggingPanel = makePanel(QStringLiteral("Data logging for module:"));
    InfoPanel = makePanel(QStringLiteral("Logging"));
    DigoutPanel = makePanel(QStringLiteral("Digital outputs for module:"));
    AlarmPanel = makePanel(QStringLiteral("Alarm messages"));
    Panels = {nullptr, TxRxPanel, SettingsPanel, DataLoggingPanel, InfoPanel, DigoutPanel, AlarmPanel};
    buildStatisticsPanel();
    buildSettingsPanel();
    buildInfoPanel();
    buildAlarmPanel();
    SetPanelsVisible(4);
}

QFrame *TMainForm::makePanel(const QString &heading)
{
    auto *panel = new QFrame(MainPaneles);
    panel->setGeometry(kPanelRect);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto *title = new QLabel(heading, panel);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->move(10, 8);
    title->setFixedHeight(13);
    title->adjustSize();
    return panel;
}

void TMainForm::buildStatisticsPanel()
{
    const struct
    {
        const char *text;
        int y;
    } rows[] = {{"OVI Serial", 36}, {"Tx Packets", 56}, {"Rx Good Packets", 76}, {"Rx Bad Packets", 96}};
    for (const auto &row : rows) {
        auto *label = new QLabel(QString::fromLatin1(row.text), TxRxPanel);
        label->setGeometry(8, row.y, 113, 17);
    }
    OVI_Label = valueBox(TxRxPanel, 36);
    TxLabel = valueBox(TxRxPanel, 56);
    RxLabel = valueBox(TxRxPanel, 76);
    BadRxLabel = valueBox(TxRxPanel, 96);
    for (int slot = 1; slot <= 4; ++slot) {
        const int y = 116 + 20 * (slot - 1);
        ModRxLabel[slot] = new QLabel(QStringLiteral("-"), TxRxPanel);
        ModRxLabel[slot]->setGeometry(8, y, 137, 17);
        ModRxLabel[slot]->setObjectName(QStringLiteral("Mod%1RxLabel").arg(slot));
        ModStaticText[slot] = valueBox(TxRxPanel, y);
        ModStaticText[slot]->setObjectName(QStringLiteral("Mod%1_StaticText").arg(slot));
    }
}

void TMainForm::buildSettingsPanel()
{
    SettingsLabel = new QLabel(QStringLiteral("Configuration for module:"), SettingsPanel);
    QFont bold = SettingsLabel->font();
    bold.setBold(true);
    SettingsLabel->setFont(bold);
    SettingsLabel->setGeometry(10, 8, 460, 13);
    // Row 0 holds the captions, column 0 the trace check boxes.
    StringGrid = new QTableWidget(11, 9, SettingsPanel);
    StringGrid->setGeometry(8, 32, 465, 385);
    StringGrid->horizontalHeader()->hide();
    StringGrid->verticalHeader()->hide();
    const QStringList captions = {"Trace", "In/Output", "Name", "Gain", "Offset",
                                  "Unit", "Digits", "Alarm High", "Alarm Low"};
    const int widths[] = {36, 96, 96, 44, 44, 40, 36, 52, 52};
    for (int c = 0; c < captions.size(); ++c) {
        auto *item = new QTableWidgetItem(captions[c]);
        item->setFlags(Qt::ItemIsEnabled);
        StringGrid->setItem(0, c, item);
        StringGrid->setColumnWidth(c, widths[c]);
    }
    for (int i = 1; i <= 16; ++i) {
        auto *box = new QCheckBox(i <= 10 ? StringGrid : SettingsPanel);
        box->setObjectName(QStringLiteral("Checkbox%1").arg(i));
        box->hide();
        if (i <= 10)
            StringGrid->setCellWidget(i, 0, box);
        CheckBoxes.append(box);
    }
}

void TMainForm::buildInfoPanel()
{
    InfoMemo = new QPlainTextEdit(InfoPanel);
    InfoMemo->setObjectName(QStringLiteral("InfoMemo"));
    InfoMemo->setGeometry(8, 32, 465, 385);
    InfoMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void TMainForm::buildAlarmPanel()
{
    AlarmMemo = new QPlainTextEdit(AlarmPanel);
    AlarmMemo->setObjectName(QStringLiteral("AlarmMemo"));
    AlarmMemo->setGeometry(8, 32, 465, 353);
    ClearAlarmButton = new QPushButton(QStringLiteral("&Clear"), AlarmPanel);
    ClearAlarmButton->setGeometry(8, 392, 75, 25);
    connect(ClearAlarmButton, &QPushButton::clicked, this, &TMainForm::ClearAlarmList);
}

// ---------------------------------------------------------------- handlers

void TMainForm::FormCreate()
{
    m_acq->FormCreate();
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMainForm::FormShow()
{
    move(0, 0);
    m_acq->FormShow(ORVANE_FILE_VERSION);
    SetPanelsVisible(4);
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    event->accept();
    // The program ends with its main window, also while the alarm window is open.
    QCoreApplication::quit();
}

void TMainForm::FormClose()
{
    m_acq->FormClose();
}

void TMainForm::MainTimerTimer()
{
    m_acq->MainTimerTimer();
}

void TMainForm::ScanButtonClick()
{
    m_acq->ScanButtonClick();
}

void TMainForm::GreenCyclicButtonClick()
{
    m_acq->GreenCyclicButtonClick();
}

void TMainForm::RedCyclicButtonClick()
{
    m_acq->RedCyclicButtonClick();
}

void TMainForm::InfoDialogAdd(const QByteArray &text)
{
    m_acq->InfoDialogAdd(text);
}

void TMainForm::MasterTreeClick()
{
    TreeNode *node = m_tree.selected();
    if (!node)
        return;
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
        m_acq->SelectedModule = p < 0 ? 0 : m_acq->FindModBySN(moduleText.mid(p + 1, 7));
        if (m_acq->SelectedModule >= 1)
            m_acq->ModObject[m_acq->SelectedModule]->ShowConfiguration();
        SetPanelsVisible(outputSignal ? 5 : 2);
    } else if (level == 1) {
        SetPanelsVisible(4);
    } else if (level == 2) {
        SetPanelsVisible(1);
    }
}

void TMainForm::ClearAlarmList()
{
    AlarmMemo->clear();
}

void TMainForm::MenuExitClick()
{
    // Ends the message loop at once; the close handler does not run.
    QCoreApplication::quit();
}

void TMainForm::AboutMenuItemClick()
{
    QMessageBox::about(this, QStringLiteral("About"),
                       QStringLiteral("Orvane System\nVersion %1").arg(QStringLiteral(ORVANE_FILE_VERSION)));
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
        Panels[i]->setGeometry(kPanelRect);
        Panels[i]->setVisible(i == panel);
    }
}

void TMainForm::setOviLabel(const QByteArray &text)
{
    OVI_Label->setText(fromWindows1252(text));
}

void TMainForm::setModuleLabel(int slot, const QByteArray &text)
{
    if (slot >= 1 && slot <= 4)
        ModRxLabel[slot]->setText(fromWindows1252(text));
}

void TMainForm::UpdateTxRxPanel(qint32 tx, qint32 rx, qint32 badRx,
                                const std::array<qint32, 4> &lostReplies)
{
    const auto show = [](QLabel *box, qint32 n) { box->setText(QString::number(n) + u' '); };
    show(TxLabel, tx);
    show(RxLabel, rx);
    show(BadRxLabel, badRx);
    for (int slot = 1; slot <= 4; ++slot)
        show(ModStaticText[slot], lostReplies[slot - 1]);
}

} // namespace orvane
