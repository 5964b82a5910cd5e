#pragma once

#include <QByteArray>

namespace orvane {

// Messages the core shows to the operator. The window shows them as modal
// message boxes (one OK button); tests record the texts. Texts are
// Windows-1252 bytes.
class OperatorMessages
{
public:
    virtual ~OperatorMessages() = default;
    // Modal error box with an error icon, e.g. a failing USB driver call.
    virtual void showError(const QByteArray &text) = 0;
    // Modal warning box without owner window, kept above all windows.
    virtual void showWarning(const QByteArray &caption, const QByteArray &text) = 0;
};

} // namespace orvane
