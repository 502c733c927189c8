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

    const bool question = buttons != Buttons::Ok;
    const QMessageBox::StandardButtons standard = question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    // Parented to the active window when there is one, so that the box sits
    // over it; the main window may be hidden in the tray, hence no fixed owner.
    // The program's texts break lines with CR LF or a lone CR, which a label
    // does not show as a break; and a caller's name must never be read as markup.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(boxIcon, caption.isEmpty() ? programTitle() : caption, shown, standard,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (question)
        box.setDefaultButton(buttons == Buttons::YesNoDefaultNo ? QMessageBox::No : QMessageBox::Yes);
    m_open.append({ text, &box });
    box.exec();
    m_open.removeIf([&box](const OpenBox& open) { return open.box == &box || !open.box; });
    // A box whose loop the program's end cut short has no button pressed
    // (Escape and the close box press No, or OK).
    if (!box.clickedButton())
        return Answer::NoAnswer;
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    if (!question)
        return Answer::Ok;
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtMessageBoxes::dismiss(const QString& text)
{
    for (const OpenBox& open : std::as_const(m_open)) {
        if (open.text == text && open.box)
            open.box->close();
    }
}

} // namespace Quillon
