// SPDX-License-Identifier: GPL-2.0-or-later
#include "callnotifywindow.h"

#include "platform/appinfo.h"
#include "windows/centerform.h"

#include <QFont>
#include <QFontMetrics>
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

constexpr int kNameTop = 44;
constexpr int kNameLines = 2;

QFont callerFont()
{
    QFont font(QStringLiteral("Sans Serif"), 18);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

QString wrapAtWords(const QString& text, const QFontMetrics& metrics, int width, int maxLines)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList lines;
    for (const QString& word : words) {
        if (!lines.isEmpty()) {
            const QString longer = lines.last() + QLatin1Char(' ') + word;
            if (metrics.horizontalAdvance(longer) <= width || lines.size() == maxLines) {
                lines.last() = longer;
                continue;
            }
        }
        lines.append(word);
    }
    // What still does not fit (one long word, or more than the lines hold)
    // ends in an ellipsis rather than being cut off unseen.
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, width);
    return lines.join(QLatin1Char('\n'));
}

frmSplash::frmSplash()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    // Keys typed in another program must go on going there.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(programTitle());
    setFixedSize(kWidth, kHeight);

    // Frameless, so draw an edge of our own to set it off from the desktop.
    auto* edge = new QFrame(this);
    edge->setFrameShape(QFrame::Box);
    edge->setFrameShadow(QFrame::Raised);
    edge->setGeometry(0, 0, kWidth, kHeight);
    m_edge = edge;

    // Frameless, so no title bar says whose window this is.
    auto* lblProgram
        = makeLabel(this, QStringLiteral("lblProgram"), programTitle(), { kLabelLeft, 4, kValueWidth, 17 });
    QFont bold = lblProgram->font();
    bold.setBold(true);
    lblProgram->setFont(bold);
    auto* lblName = makeLabel(this, QStringLiteral("lblName"), QStringLiteral("Name"), { kLabelLeft, 24, 120, 17 });
    m_lblTelcoName = makeLabel(this, QStringLiteral("lblTelcoName"), {}, { kLabelLeft, kNameTop, kValueWidth, 37 });
    m_lblNumber = makeLabel(this, QStringLiteral("lblNumber"), QStringLiteral("Number"), { kLabelLeft, 100, 120, 17 });
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

    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdClose->setGeometry(111, 180, 84, 27);
    m_cmdClose->setFocusPolicy(Qt::NoFocus);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);

    CenterForm(this);
}

void frmSplash::setCaller(const QString& name, const QString& number, bool rejected)
{
    m_callerName = name;
    const QFontMetrics metrics(m_lblTelcoName->font());
    const QString lines = wrapAtWords(name, metrics, kValueWidth, kNameLines);
    m_lblTelcoName->setText(lines);
    m_lblTelcoNumber->setText(metrics.elidedText(number, Qt::ElideRight, kValueWidth));
    setAccessibleName(programTitle() + QStringLiteral(": call from ") + name);
    setAccessibleDescription(rejected ? number + QStringLiteral(", Rejected") : number);
    // A second line of name pushes the rest down.
    const int nameHeight = qMax(37, int(lines.count(QLatin1Char('\n')) + 1) * metrics.lineSpacing());
    const int extra = nameHeight - 37;
    m_lblTelcoName->setFixedHeight(nameHeight);
    m_lblNumber->move(kLabelLeft, 100 + extra);
    m_lblTelcoNumber->move(kLabelLeft, 120 + extra);
    m_lblRejected->move(kLabelLeft, 158 + extra);
    m_lblRejected->setVisible(rejected);
    m_cmdClose->move(111, 180 + extra);
    m_edge->resize(kWidth, kHeight + extra);
    setFixedSize(kWidth, kHeight + extra);
}

bool frmSplash::callerRejected() const
{
    return !m_lblRejected->isHidden();
}

QString frmSplash::callerName() const
{
    return m_callerName;
}

QString frmSplash::shownName() const
{
    return m_lblTelcoName->text();
}

QString frmSplash::callerNumber() const
{
    return m_lblTelcoNumber->text();
}

} // namespace Quillon
