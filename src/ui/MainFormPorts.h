#pragma once

#include "common/OperatorMessages.h"

#include <QPointer>

class QWidget;

namespace orvane {

// Modal message boxes with one OK button.
class MessageBoxes : public OperatorMessages
{
public:
    explicit MessageBoxes(QWidget *owner)
        : m_owner(owner)
    {
    }
    void showError(const QByteArray &text) override;
    void showWarning(const QByteArray &caption, const QByteArray &text) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace orvane
