// SPDX-License-Identifier: GPL-2.0-or-later
#include "formatwindow.h"

#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "platform/messageboxes.h"
#include "records/calldatabase.h"
#include "records/listentries.h"
#include "windows/centerform.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace Quillon {

namespace {

struct FormatOption
{
    const char* caption; // a sample of the displayed form
    qint16 length;
};

// Option n sets format code n.
constexpr FormatOption formatOptions[] = {
    { "123-456-7890 ", 10 }, { "12 4566-7890", 10 }, { "1234 567-8901", 11 }, { "12345-678901", 11 },
    { "12-3456789", 9 },     { "1234 567890", 10 },  { "123 4567-8901", 11 }, { "1234 5678", 8 },
};

} // namespace

FormatWindow::FormatWindow(QWidget* owner, WorkingSettings& settings, const QString& iniPath, CallDatabase& database,
                           MessageBoxes& boxes)
    : QWidget(owner, Qt::Window)
    , m_settings(settings)
    , m_iniPath(iniPath)
    , m_database(database)
    , m_boxes(boxes)
    , m_storedFormat(
          iniInt16(GetIniValue(iniPath, QStringLiteral("Settings"), QStringLiteral("Format"), QStringLiteral("1")), 1))
    , m_formats(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmFormat"));
    setWindowTitle(QStringLiteral("CallerID Format"));

    auto* lblformat = new QLabel(QStringLiteral("Select the desired number format"), this);
    lblformat->setObjectName(QStringLiteral("lblformat"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblformat);
    for (int format = 1; format <= 8; ++format) {
        auto* option = new QRadioButton(QLatin1String(formatOptions[format - 1].caption), this);
        option->setObjectName(QStringLiteral("Option%1").arg(format));
        m_formats->addButton(option, format);
        layout->addWidget(option);
    }
    connect(m_formats, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onFormatChosen(id);
    });

    auto* cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setAutoDefault(true);
    connect(cmdSave, &QPushButton::clicked, this, &FormatWindow::cmdSave_Click);
    auto* cmdExit = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAutoDefault(true);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdExit);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

FormatWindow::~FormatWindow() = default;

void FormatWindow::Form_Load()
{
    adjustSize();
    CenterForm(this);
    if (QAbstractButton* option = m_formats->button(m_settings.Format)) {
        option->setChecked(true);
        // Already checked emits nothing; the digit count still follows the format.
        onFormatChosen(m_settings.Format);
    }
}

void FormatWindow::onFormatChosen(int format)
{
    m_settings.Format = qint16(format);
    m_settings.NmbrLngth = formatOptions[format - 1].length;
}

void FormatWindow::cmdSave_Click()
{
    SetIniValue(m_iniPath, QStringLiteral("Settings"), QStringLiteral("Format"), QString::number(m_settings.Format));
    SetIniValue(m_iniPath, QStringLiteral("Settings"), QStringLiteral("NmbrLngth"),
                QString::number(m_settings.NmbrLngth));
    if (m_settings.Format != m_storedFormat && m_database.isOpen())
        offerRelayout();
    m_storedFormat = m_settings.Format;
}

// Lists are compared with numbers as shown: in the old layout every number
// on them would silently stop matching.
void FormatWindow::offerRelayout()
{
    const QString caption = QStringLiteral("CallerID Format");
    if (m_boxes.show(QStringLiteral("Numbers on the reject and translate lists are kept in the layout calls are "
                                    "shown in, and in the old one they no longer match.\r\nRewrite them in the new "
                                    "layout now?"),
                     caption, MessageBoxes::Icon::None, MessageBoxes::Buttons::YesNo)
        != MessageBoxes::Answer::Yes)
        return;
    ListEntries::RelayoutCounts counts;
    QString error;
    if (!ListEntries(m_database).relayoutNumbers(m_settings.Format, &counts, &error)) {
        m_boxes.show(QStringLiteral("The lists could not be rewritten: ") + error, caption,
                     MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok);
        return;
    }
    m_boxes.show(QStringLiteral("Numbers rewritten in the new layout: %1.\r\nLeft as they were, because their "
                                "digits do not fit it or they are patterns: %2.")
                     .arg(counts.rewritten)
                     .arg(counts.left),
                 caption, MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
}

} // namespace Quillon
