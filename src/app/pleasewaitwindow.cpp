// SPDX-License-Identifier: GPL-2.0-or-later
#include "pleasewaitwindow.h"

#include "platform/appinfo.h"
#include "windows/centerform.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace Quillon {

frmCnfg::frmCnfg()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmCnfg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(programTitle());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 4, 10, 13);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    outer->addWidget(frame);

    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(8, 8, 8, 8);
    auto* label = new QLabel(QStringLiteral("Please wait while we configure Quillon CallerID for your system"), frame);
    label->setObjectName(QStringLiteral("lblSplash"));
    QFont font(QStringLiteral("Sans Serif"), 12, QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    inner->addWidget(label);
    auto* lblPort = new QLabel(QStringLiteral(" "), frame); // a line kept for the port
    lblPort->setObjectName(QStringLiteral("lblPort"));
    lblPort->setAlignment(Qt::AlignCenter);
    lblPort->setTextFormat(Qt::PlainText);
    inner->addWidget(lblPort);

    // A wide, low window; wider where the desktop's font needs it, so that
    // the notice is never cut off.
    const QSize needed = sizeHint();
    setFixedSize(qMax(555, needed.width()), qMax(62, needed.height()));
    CenterForm(this);
}

void frmCnfg::showPort(int port, const QString& devicePath)
{
    QString text = QStringLiteral("Trying Comm Port ") + QString::number(port);
    if (!devicePath.isEmpty())
        text += QStringLiteral(" (") + devicePath + QLatin1Char(')');
    findChild<QLabel*>(QStringLiteral("lblPort"))->setText(text + QStringLiteral(" ..."));
}

} // namespace Quillon
