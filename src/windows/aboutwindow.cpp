// SPDX-License-Identifier: GPL-2.0-or-later
#include "aboutwindow.h"

#include "platform/appinfo.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace Quillon {

AboutWindow::AboutWindow(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmAbout"));

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    QIcon icon = owner ? owner->windowIcon() : QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    picIcon->setPixmap(icon.pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSize(12);
    lblTitle->setFont(titleFont);
    auto* lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    // The etched line: a sunken frame draws a grey line with a light one beside it.
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("separator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    // OK is both the default and the cancel button.
    for (const QKeySequence& key :
         { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) })
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(line);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(320);

    Form_Load();
    adjustSize();
    cmdOK->setFocus();
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::Form_Load()
{
    // The title is read when the window loads, not fixed into the caption.
    setWindowTitle(QStringLiteral("About ") + programTitle());
    findChild<QLabel*>(QStringLiteral("lblVersion"))->setText(QStringLiteral("Version ") + versionText());
    findChild<QLabel*>(QStringLiteral("lblTitle"))->setText(QStringLiteral("Quillon CallerID"));
}

} // namespace Quillon
