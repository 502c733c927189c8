// SPDX-License-Identifier: GPL-2.0-or-later
#include "blockingwindow.h"

#include "config/blockingsettings.h"
#include "config/workingsettings.h"
#include "platform/messageboxes.h"
#include "windows/centerform.h"
#include "windows/recordgrid.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace Quillon {

namespace {

template<typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

BlockingWindow::BlockingWindow(QWidget* owner, WorkingSettings& settings, const QString& iniPath, MessageBoxes& boxes)
    : QWidget(owner, Qt::Window)
    , m_settings(settings)
    , m_iniPath(iniPath)
    , m_boxes(boxes)
{
    setObjectName(QStringLiteral("frmBlocking"));
    setWindowTitle(QStringLiteral("Blocking"));

    auto* lblNote = named(new QLabel(QStringLiteral("These act only while Call Reject is on. Callers on the "
                                                    "translate list always ring through."),
                                     this),
                          "lblNote");
    lblNote->setWordWrap(true);

    auto* frmReject = named(new QGroupBox(QStringLiteral("Also Reject"), this), "frmReject");
    m_hidden = named(new QCheckBox(QStringLiteral("Callers who &withhold their number"), frmReject), "chkHidden");
    m_allowListOnly
        = named(new QCheckBox(QStringLiteral("Every caller not on the &translate list (allow list only)"), frmReject),
                "chkAllowListOnly");
    m_quietHours = named(new QLineEdit(frmReject), "txtQuietHours");
    m_quietHours->setPlaceholderText(QStringLiteral("22:00-07:00"));
    m_quietHours->setToolTip(QStringLiteral("From-to as HH:MM-HH:MM; empty: no quiet hours"));
    m_quietHours->setMaxLength(20);
    auto* rejectLayout = new QFormLayout(frmReject);
    rejectLayout->addRow(m_hidden);
    rejectLayout->addRow(m_allowListOnly);
    rejectLayout->addRow(QStringLiteral("Others during &quiet hours:"), m_quietHours);

    auto* frmHangUp = named(new QGroupBox(QStringLiteral("Rejected Calls"), this), "frmHangUp");
    m_answer = named(new QRadioButton(QStringLiteral("&Answer and hang up"), frmHangUp), "optAnswer");
    m_fax = named(
        new QRadioButton(QStringLiteral("Answer with a &fax tone, so that autodialers drop the number"), frmHangUp),
        "optFax");
    auto* hangUpLayout = new QVBoxLayout(frmHangUp);
    hangUpLayout->addWidget(m_answer);
    hangUpLayout->addWidget(m_fax);

    auto* cmdSave = named(new QPushButton(QStringLiteral("&Save"), this), "cmdSave");
    auto* cmdExit = named(new QPushButton(QStringLiteral("E&xit"), this), "cmdExit");
    cmdSave->setAutoDefault(true);
    cmdExit->setAutoDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblNote);
    layout->addWidget(frmReject);
    layout->addWidget(frmHangUp);
    layout->addLayout(buttons);

    connect(cmdSave, &QPushButton::clicked, this, &BlockingWindow::cmdSave_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);

    showSettings();
    fixMinimumSize(this);
    CenterForm(this);
}

BlockingWindow::~BlockingWindow() = default;

void BlockingWindow::showSettings()
{
    m_hidden->setChecked(m_settings.Hidden);
    m_allowListOnly->setChecked(m_settings.AllowListOnly);
    m_quietHours->setText(m_settings.QuietHours);
    (m_settings.HangUpFax ? m_fax : m_answer)->setChecked(true);
}

// A span that cannot be read would silently block nothing: it is refused
// and stays in the box to be mended.
void BlockingWindow::cmdSave_Click()
{
    const QString quietHours = m_quietHours->text().trimmed();
    if (!quietHours.isEmpty() && !parseQuietHours(quietHours)) {
        m_boxes.show(QStringLiteral("Quiet hours are written from-to as HH:MM-HH:MM, such as 22:00-07:00, or left "
                                    "empty."),
                     QStringLiteral("Blocking"), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok);
        m_quietHours->setFocus();
        return;
    }
    m_settings.Hidden = m_hidden->isChecked();
    m_settings.AllowListOnly = m_allowListOnly->isChecked();
    m_settings.QuietHours = quietHours;
    m_settings.HangUpFax = m_fax->isChecked();
    if (!saveBlockingSettings(m_iniPath, m_settings))
        m_boxes.show(QStringLiteral("The settings apply now, but could not be stored in QuillonCID.ini."),
                     QStringLiteral("Blocking"), MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok);
    showSettings();
}

} // namespace Quillon
