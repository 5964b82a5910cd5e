// The module scan: rebuild the tree, reconnect the interface, ask the four
// radio addresses and fill the module slots from their answers.
#include "AcquisitionControl.h"

#include "common/NavigationTree.h"
#include "common/OperatorMessages.h"
#include "protocol/WireProtocol.h"

namespace orvane {

namespace {
constexpr int kScanWaitMs = 200;
} // namespace

void AcquisitionControl::ScanButtonClick()
{
    // The scan's waits process window events; a second click on the scan
    // button meanwhile would start a scan inside the scan. It is ignored.
    if (m_scanning || m_closing)
        return;
    m_scanning = true;
    if (m_ports.view)
        m_ports.view->SetPanelsVisible(4);
    GreenCyclicButtonClick();
    CyclicUpdate = false;
    SelectedModule = 0;
    RxCount = TxCount = BadRxCount = 0;
    Build_Root_Tree();

    if (Connect_Interface()) {
        if (m_ports.view)
            m_ports.view->setOviLabel(IntObject->SerialNumber + ' ');
        // After a close nothing more is asked; after a device error the
        // remaining bands are not asked either and count as not answering.
        for (int band = 1; band <= 4 && !m_closing; ++band)
            Detect_Module(band);
        for (int slot = 1; slot <= 4; ++slot) {
            if (ModObject[slot]->Present) {
                CyclicUpdate = true;
                RedCyclicButtonClick();
            }
        }
    }

    if (NavigationTree *tree = m_ports.tree) {
        TreeNode *node = tree->firstNode();
        if (node)
            node = node->firstChild();
        if (node)
            node = node->firstChild();
        if (node)
            tree->select(node);
    }

    for (int slot = 4; slot >= 1; --slot) {
        const TOV_MOD_Object &module = *ModObject[slot];
        if (module.Present) {
            SelectedModule = slot;
            if (m_ports.view)
                m_ports.view->setModuleLabel(slot, module.SerialText + " missed samples");
        } else if (m_ports.view) {
            m_ports.view->setModuleLabel(slot, "-");
        }
    }

    if (SelectedModule >= 1) {
        if (m_ports.view)
            m_ports.view->UpdateSettingsPanel();
        ModObject[SelectedModule]->ShowConfiguration();
    }
    m_scanning = false;
    Q_EMIT modulesChanged();
}

void AcquisitionControl::Build_Root_Tree()
{
    NavigationTree *tree = m_ports.tree;
    if (!tree)
        return;
    tree->clear();
    TreeNode *root = tree->addRoot("Orvane System|||Level 1", 0);
    tree->select(root);
    RootNode = tree->firstNode();
}

bool AcquisitionControl::Connect_Interface()
{
    IntObject->Disconnect();
    IntObject->Connect();
    const bool connected = IntObject->IsConnected();
    if (NavigationTree *tree = m_ports.tree; tree && RootNode) {
        TreeNode *node = connected
            ? tree->addChild(RootNode, "Orvane Interface|Connected||Level 2", 1)
            : tree->addChild(RootNode, "Orvane Interface|Not Found||Level 2", 7);
        tree->select(node);
    }
    return connected;
}

bool AcquisitionControl::Detect_Module(int band)
{
    if (band < 1 || band > 4 || m_closing)
        return false;
    TOV_MOD_Object &module = *ModObject[band];
    TFTDIObject &device = IntObject->device();
    QByteArray reply;
    // A device that failed during this scan (unplugged) is not asked again:
    // its error was shown once, and the band counts as not answering.
    if (device.IsOpen()) {
        const bool sent = device.WriteString(scanRequest(band)) >= 0;
        InfoDialogAdd("< Scan band " + QByteArray::number(band - 1));
        if (sent) {
            IntObject->Wait(kScanWaitMs);
            if (m_closing)
                return false; // the window closed during the wait; the device is going away
            reply = device.ReadString();
            InfoDialogAdd("> " + reply);
        }
    }

    const ScanAnswer answer = parseScanAnswer(reply);
    if (answer.wellFormed) {
        if (answer.type == 1 || answer.type == 2) {
            // Another module in this slot does not inherit the traces of the
            // one before it: its trace ticks are cleared and its traces freed.
            if (module.SerialText != answer.serial) {
                module.TraceFlags.fill(0);
                if (m_ports.trace)
                    m_ports.trace->RemoveModuleTraces(band);
            }
            module.ResetSignals();
            module.ScanText = reply;
            module.SerialText = answer.serial;
            module.Present = true;
            module.SetModuleType(answer.type);
            module.LoadSettings();
            module.ShowConfiguration();
            module.ProcessReply(m_ports.tree);
            Q_EMIT modulesChanged();
            return true;
        }
        if (m_ports.messages) {
            m_ports.messages->showWarning("Module Type Error",
                "A module of type " + QByteArray::number(answer.type) + " is detected. "
                    + "This type is not supported in this software version. Check for "
                      "software update.");
        }
        return false;
    }

    // No answer, or an answer that names no module we can identify: the slot
    // is emptied, its log stopped and its traces removed.
    module.Present = false;
    module.ResetSignals();
    module.SetLogging(false);
    if (m_ports.trace)
        m_ports.trace->RemoveModuleTraces(band);
    Q_EMIT modulesChanged();
    return false;
}

int AcquisitionControl::FindModBySN(const QByteArray &text) const
{
    // An empty text is contained in every text; it finds nothing.
    if (text.isEmpty())
        return 0;
    int found = 0;
    for (int slot = 1; slot <= 4; ++slot) {
        if (ModObject[slot]->SerialText.contains(text))
            found = slot;
    }
    return found;
}

void AcquisitionControl::CreateModuleList()
{
    for (int i = 1; i <= 4; ++i)
        ModuleList[i] = ModObject[i]->Present ? i : 0;
    for (int pass = 0; pass < 3; ++pass) {
        for (int j = 1; j <= 3; ++j) {
            if (ModuleList[j] == 0) {
                ModuleList[j] = ModuleList[j + 1];
                ModuleList[j + 1] = 0;
            }
        }
    }
}

} // namespace orvane
