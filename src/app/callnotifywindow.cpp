// SPDX-License-Identifier: GPL-2.0-or-later
#include "callnotifywindow.h"

#include "platform/appinfo.h"
#include "windows/centerform.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace Quillon {

namespace {

// Layout in pixels (15 twips each at 96 dpi).
constexpr int kWidth = 306;
constexpr int kHeight = 224;
constexpr int kLabelLeft = 24;
constexpr int kValueWidth = 258;

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& where)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}

QFont callerFont()
{
    QFont font(QStringLiteral("Sans Serif"), 18);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

frmSplash::frmSplash()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(programTitle());
    setFixedSize(kWidth, kHeight);

    // Frameless, so draw an edge of our own to set it off from the desktop.
    auto* edge = new QFrame(this);
    edge->setFrameShape(QFrame::Box);
    edge->setFrameShadow(QFrame::Raised);
    edge->setGeometry(0, 0, kWidth, kHeight);

    auto* lblName = makeLabel(this, QStringLiteral("lblName"), QStringLiteral("Name"), { kLabelLeft, 24, 120, 17 });
    m_lblTelcoName = makeLabel(this, QStringLiteral("lblTelcoName"), {}, { kLabelLeft, 44, kValueWidth, 37 });
    auto* lblNumber
        = makeLabel(this, QStringLiteral("lblNumber"), QStringLiteral("Number"), { kLabelLeft, 100, 120, 17 });
    m_lblTelcoNumber = makeLabel(this, QStringLiteral("lblTelcoNumber"), {}, { kLabelLeft, 120, kValueWidth, 37 });
    m_lblTelcoName->setFont(callerFont());
    m_lblTelcoNumber->setFont(callerFont());
    // A caller's name is shown as it came, never read as markup.
    m_lblTelcoName->setTextFormat(Qt::PlainText);
    m_lblTelcoNumber->setTextFormat(Qt::PlainText);
    m_lblRejected = makeLabel(this, QStringLiteral("lblRejected"), QStringLiteral("Rejected"),
                              { kLabelLeft, 158, kValueWidth, 17 });
    QFont rejectedFont = m_lblRejected->font();
    rejectedFont.setBold(true);
    m_lblRejected->setFont(rejectedFont);
    m_lblRejected->hide();
    Q_UNUSED(lblName)
    Q_UNUSED(lblNumber)

    auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(111, 180, 84, 27);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    CenterForm(this);
}

void frmSplash::setCaller(const QString& name, const QString& number, bool rejected)
{
    m_lblTelcoName->setText(name);
    m_lblTelcoNumber->setText(number);
    m_lblRejected->setVisible(rejected);
}

bool frmSplash::callerRejected() const
{
    return !m_lblRejected->isHidden();
}

QString frmSplash::callerName() const
{
    return m_lblTelcoName->text();
}

QString frmSplash::callerNumber() const
{
    return m_lblTelcoNumber->text();
}

} // namespace Quillon
