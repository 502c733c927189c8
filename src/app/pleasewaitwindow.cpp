// SPDX-License-Identifier: GPL-2.0-or-later
#include "pleasewaitwindow.h"

#include "app/centerform.h"
#include "platform/appinfo.h"

#include <QFont>
#include <QFrame>
#include <QLabel>

namespace Quillon {

frmCnfg::frmCnfg()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmCnfg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(programTitle());
    setFixedSize(555, 62);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(10, 4, 535, 45);

    auto* label = new QLabel(QStringLiteral("Please wait while we configure Quillon CallerID for your system"), frame);
    label->setObjectName(QStringLiteral("lblSplash"));
    QFont font(QStringLiteral("Sans Serif"), 12, QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(4, 10, 527, 25);

    CenterForm(this);
}

} // namespace Quillon
