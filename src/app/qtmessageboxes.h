// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/messageboxes.h"

#include <QList>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace Quillon {

// Message boxes as QMessageBox shows them, modal to the whole program.
class QtMessageBoxes final : public MessageBoxes
{
public:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons) override;
    void dismiss(const QString& text) override;

private:
    struct OpenBox
    {
        QString text;
        QPointer<QMessageBox> box;
    };
    QList<OpenBox> m_open; // boxes are modal, but one can open over another
};

} // namespace Quillon
