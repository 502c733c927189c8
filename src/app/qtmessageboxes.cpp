// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtmessageboxes.h"

#include "platform/appinfo.h"

#include <QApplication>
#include <QMessageBox>

namespace Quillon {

MessageBoxes::Answer QtMessageBoxes::show(const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    if (icon == Icon::Stop)
        boxIcon = QMessageBox::Critical;
    else if (icon == Icon::Exclamation)
        boxIcon = QMessageBox::Warning;

    const QMessageBox::StandardButtons standard
        = buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    // Parented to the active window when there is one, so that the box sits
    // over it; the main window may be hidden in the tray, hence no fixed owner.
    QMessageBox box(boxIcon, caption.isEmpty() ? programTitle() : caption, text, standard,
                    QApplication::activeWindow());
    if (buttons == Buttons::YesNo)
        box.setDefaultButton(QMessageBox::Yes);
    const int pressed = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace Quillon
