#include "TPlotWindowUnit.h"

#include "PlotComp.h"
#include "PlotExport.h"
#include "TraceCsv.h"
#include "TraceSlotTable.h"
#include "common/OperatorMessages.h"
#include "common/Text1252.h"
#include "modules/NumberText.h"
#include "widgets/Fonts.h"
#include "widgets/Paneles.h"

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace orvane {

namespace {
constexpr int kLabelHeight = 13;

// Message boxes of a window that was given no messages port: no owner
// window, above all windows, and modal for the whole program.
class OwnMessageBoxes : public OperatorMessages
{
public:
    void showError(const QByteArray &text) override { show(QMessageBox::Critical, "Error", text); }
    void showWarning(const QByteArray &caption, const QByteArray &text) override
    {
        show(QMessageBox::Warning, caption, text);
    }

private:
    static void show(QMessageBox::Icon icon, const QByteArray &caption, const QByteArray &text)
    {
        QMessageBox box(icon, fromWindows1252(caption), fromWindows1252(text), QMessageBox::Ok);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    }
};

QLabel *addLabel(
    QWidget *parent, const QString &name, const QString &text, int x, int y, bool bold = false)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText); // signal names are operator text, never markup
    label->setAttribute(Qt::WA_TranslucentBackground);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A short stroke in the trace's colour on white, beside its captions.
QPixmap traceSwatch(const QColor &color)
{
    QPixmap pixmap(32, 16);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.fillRect(4, 7, 24, 2, color);
    return pixmap;
}
} // namespace

TPlotWindow::TPlotWindow(QWidget *parent, OperatorMessages *messages)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("PlotWindow"));
    setWindowTitle(QStringLiteral("Plot Window"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(727, 400);
    setFont(windowFont());

    Panel = new TPaneles(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setGeometry(0, 0, 727, 400);
    Panel->setBitmap(mainSkin());

    Plot = new TPlot(Panel);
    Plot->setObjectName(QStringLiteral("Plot"));
    Plot->setGeometry(8, 8, 713, 241);
    Plot->setTitle(QStringLiteral("Plot Window (Left click = zoom, Right click = 100%)"));
    Plot->setTitleColor(QColor(128, 0, 0));
    Plot->setBGColor(QColor(255, 255, 255));
    Plot->setGridColor(QColor(0, 0, 0));
    Plot->setNrOfPoints(1000);
    Plot->setYScaleOrigin(0);
    Plot->setYScaleSpan(25);
    Plot->setXScaleOrigin(0);
    Plot->setXScaleSpan(1000);
    Plot->setEnableAutoScale(false);
    Plot->setUpdateInterval(1000);
    Plot->setUpdateActive(false);
    Plot->setXLabel(QStringLiteral("Time [Sec]"));
    Plot->setYLabel(QString());
    Plot->setXDigits(0);
    Plot->setYDigits(1);
    Plot->setXY_Mode(false);
    Plot->setXLabelDouble(true);

    if (!messages) {
        m_ownMessages = std::make_unique<OwnMessageBoxes>();
        messages = m_ownMessages.get();
    }
    m_slots = std::make_unique<TraceSlotTable>(&Plot->model(), messages);

    Label4
        = addLabel(Panel, QStringLiteral("Label4"), QStringLiteral("Trace Signals"), 48, 256, true);
    Label5 = addLabel(Panel, QStringLiteral("Label5"), QStringLiteral("Module"), 208, 256, true);
    Label3 = addLabel(
        Panel, QStringLiteral("Label3"), QStringLiteral("Vertical Axis Setup"), 328, 256, true);

    const QColor swatchColors[kTraceSlots] = { QColor(0, 0, 255), QColor(128, 0, 0),
        QColor(0, 192, 0), QColor(255, 0, 0), QColor(0, 0, 128), QColor(0, 0, 0) };
    for (int i = 1; i <= kTraceSlots; ++i) {
        const int row = 20 * (i - 1);
        auto *swatch = new QLabel(Panel);
        swatch->setObjectName(QStringLiteral("TraceColorImage%1").arg(i));
        swatch->setGeometry(8, 276 + row, 32, 16);
        swatch->setPixmap(traceSwatch(swatchColors[i - 1]));
        TraceColorImage[i] = swatch;

        SignalLabel[i] = addLabel(Panel, QStringLiteral("Signal%1Label").arg(i),
            fromWindows1252(m_slots->SignalLabels[i]), 48, 278 + row);
        SignalLabel[i]->setFixedSize(150, kLabelHeight);
        ModuleLabel[i] = addLabel(Panel, QStringLiteral("Module%1Label").arg(i),
            fromWindows1252(m_slots->ModuleLabels[i]), 208, 278 + row);
        ModuleLabel[i]->setFixedSize(89, kLabelHeight);
    }

    Label1 = addLabel(Panel, QStringLiteral("Label1"), QStringLiteral("Y-axis max"), 328, 278);
    PlotMaxEdit = new QLineEdit(QStringLiteral("25"), Panel);
    PlotMaxEdit->setObjectName(QStringLiteral("PlotMaxEdit"));
    PlotMaxEdit->setGeometry(396, 274, 41, 21);
    Label2 = addLabel(Panel, QStringLiteral("Label2"), QStringLiteral("Y-axis min"), 328, 302);
    PlotMinEdit = new QLineEdit(QStringLiteral("0.0"), Panel);
    PlotMinEdit->setObjectName(QStringLiteral("PlotMinEdit"));
    PlotMinEdit->setGeometry(396, 300, 41, 21);
    ApplyMinMaxButton = new QPushButton(QStringLiteral("<>"), Panel);
    ApplyMinMaxButton->setObjectName(QStringLiteral("ApplyMinMaxButton"));
    ApplyMinMaxButton->setGeometry(443, 272, 20, 49);
    connect(ApplyMinMaxButton, &QPushButton::clicked, this, &TPlotWindow::ApplyMinMaxButtonClick);

    Bevel1 = new QFrame(Panel);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    Bevel1->setGeometry(320, 256, 2, 145);
    Bevel2 = new QFrame(Panel);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    Bevel2->setGeometry(472, 256, 2, 145);

    HideButton = new QPushButton(QStringLiteral("&Hide"), this);
    HideButton->setObjectName(QStringLiteral("HideButton"));
    HideButton->setGeometry(640, 368, 75, 25);
    connect(HideButton, &QPushButton::clicked, this, &TPlotWindow::HideButtonClick);

    // In the free room right of the vertical axis setup, stacked above
    // "&Hide" with its height and right edge.
    ExportDataButton = new QPushButton(QStringLiteral("E&xport data..."), this);
    ExportDataButton->setObjectName(QStringLiteral("ExportDataButton"));
    ExportDataButton->setGeometry(600, 306, 115, 25);
    connect(ExportDataButton, &QPushButton::clicked, this, &TPlotWindow::ExportDataButtonClick);
    SavePictureButton = new QPushButton(QStringLiteral("Save &picture..."), this);
    SavePictureButton->setObjectName(QStringLiteral("SavePictureButton"));
    SavePictureButton->setGeometry(600, 337, 115, 25);
    connect(SavePictureButton, &QPushButton::clicked, this, &TPlotWindow::SavePictureButtonClick);

    FormCreate();
}

TPlotWindow::~TPlotWindow() = default;

void TPlotWindow::FormCreate()
{
    m_slots->FormCreate();
}

void TPlotWindow::setOperatorMessages(OperatorMessages *messages)
{
    m_slots->setOperatorMessages(messages ? messages : m_ownMessages.get());
}

void TPlotWindow::setSkin(const QPixmap &skin)
{
    Panel->setBitmap(skin);
}

void TPlotWindow::SetModules(const std::array<TOV_MOD_Object *, 4> &modules)
{
    m_slots->SetModules(modules);
}

bool TPlotWindow::AddTrace(int module, int signal)
{
    const bool onTrace = m_slots->AddTrace(module, signal);
    showChangedLabels();
    return onTrace;
}

void TPlotWindow::RemoveTrace(int module, int signal)
{
    m_slots->RemoveTrace(module, signal);
    showChangedLabels();
}

void TPlotWindow::RemoveModuleTraces(int module)
{
    m_slots->RemoveModuleTraces(module);
    showChangedLabels();
}

void TPlotWindow::UpdateTraceLabels()
{
    m_slots->UpdateTraceLabels();
    showChangedLabels();
}

void TPlotWindow::RefreshTraces()
{
    m_slots->RefreshTraces();
    showChangedLabels();
    // A hidden window goes on collecting points; it is drawn when shown.
    if (isVisible())
        Plot->requestRepaint();
}

void TPlotWindow::showChangedLabels()
{
    const int changed = m_slots->takeChangedLabels();
    if (changed == 0)
        return;
    for (int i = 1; i <= kTraceSlots; ++i) {
        if (changed & (1 << i)) {
            SignalLabel[i]->setText(fromWindows1252(m_slots->SignalLabels[i]));
            ModuleLabel[i]->setText(fromWindows1252(m_slots->ModuleLabels[i]));
        }
    }
}

void TPlotWindow::ApplyMinMaxButtonClick()
{
    // A bound that does not read as a number stays where it is.
    const double minimum
        = readNumber(toWindows1252(PlotMinEdit->text())).value_or(Plot->YScaleOrigin());
    const double maximum = readNumber(toWindows1252(PlotMaxEdit->text()))
                               .value_or(Plot->YScaleOrigin() + Plot->YScaleSpan());
    // A span <= 0 is ignored by the plot, so a maximum not above the minimum
    // moves only the origin.
    Plot->setYScaleOrigin(minimum);
    Plot->setYScaleSpan(maximum - minimum);
    Plot->requestRepaint();
}

void TPlotWindow::HideButtonClick()
{
    hide();
}

void TPlotWindow::ExportDataButtonClick()
{
    const QString name = timeStampedName(
        QStringLiteral("Trace"), QStringLiteral("csv"), QDateTime::currentDateTime());
    exportCsvWithDialog(
        this, name, [this](QIODevice *device) { return writeTraceCsv(*m_slots, device); });
}

void TPlotWindow::SavePictureButtonClick()
{
    const QString name = timeStampedName(
        QStringLiteral("Trace"), QStringLiteral("png"), QDateTime::currentDateTime());
    savePictureWithDialog(this, Plot, name);
}

} // namespace orvane
