// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtserialport.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <utility>

namespace Quillon {

namespace {

// Modems pass a name's bytes on as the telco sent them: UTF-8 from newer
// gateways, one byte a character from older ones.
QString modemText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

QtSerialPort::QtSerialPort(QObject* parent)
    : SerialPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        takeIn();
        if (!m_reading)
            Q_EMIT dataArrived();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
}

QtSerialPort::~QtSerialPort()
{
    // No portLost from a port that goes away with its owner.
    m_port.disconnect(this);
}

void QtSerialPort::setPort(int portNumber, const QString& devicePath)
{
    m_portNumber = portNumber;
    m_devicePath = devicePath;
}

int QtSerialPort::portNumber() const
{
    return m_portNumber;
}

QString QtSerialPort::devicePath() const
{
    return m_devicePath;
}

void QtSerialPort::setSettingsText(const QString& settings)
{
    m_settingsText = settings;
}

void QtSerialPort::setReadAllBuffered()
{
    // readAll() always hands over everything buffered; nothing to switch.
}

bool QtSerialPort::parseSettings(const QString& text, LineSettings* settings)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    LineSettings parsed;

    const QString& speed = parts.at(0);
    if (speed.isEmpty() || speed.size() > 9)
        return false;
    for (const QChar c : speed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    parsed.speed = speed.toInt();
    if (parsed.speed <= 0)
        return false;

    const QString& parity = parts.at(1);
    if (parity == QLatin1String("N"))
        parsed.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        parsed.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        parsed.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        parsed.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        parsed.parity = QSerialPort::SpaceParity;
    else
        return false;

    const QString& data = parts.at(2);
    if (data == QLatin1String("5"))
        parsed.dataBits = QSerialPort::Data5;
    else if (data == QLatin1String("6"))
        parsed.dataBits = QSerialPort::Data6;
    else if (data == QLatin1String("7"))
        parsed.dataBits = QSerialPort::Data7;
    else if (data == QLatin1String("8"))
        parsed.dataBits = QSerialPort::Data8;
    else
        return false;

    const QString& stop = parts.at(3);
    if (stop == QLatin1String("1"))
        parsed.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        parsed.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        parsed.stopBits = QSerialPort::TwoStop;
    else
        return false;

    if (settings)
        *settings = parsed;
    return true;
}

bool QtSerialPort::open(QString* error)
{
    m_lastOpenFailure = OpenFailure::Other;
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_port.isOpen())
        return fail(QStringLiteral("the port is already open"));
    const QString path = m_devicePath;
    if (path.isEmpty()) {
        m_lastOpenFailure = OpenFailure::NoDevice;
        return fail(QStringLiteral("no device for port %1").arg(m_portNumber));
    }
    LineSettings line;
    if (!parseSettings(m_settingsText, &line))
        return fail(QStringLiteral("unusable port settings \"%1\"").arg(m_settingsText));

    m_port.setPortName(path);
    // Taken at open(): a device that cannot take them refuses to open.
    m_port.setBaudRate(line.speed);
    m_port.setParity(line.parity);
    m_port.setDataBits(line.dataBits);
    m_port.setStopBits(line.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError code = m_port.error();
        const QString why = m_port.errorString();
        m_port.clearError();
        if (code == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(path)) {
            m_lastOpenFailure = OpenFailure::NoDevice;
        } else if (code == QSerialPort::PermissionError) {
            // Qt reports the device's own refusal in the system's words, and
            // a lock or exclusive use held by another program in its own.
            if (why == QString::fromLocal8Bit(std::strerror(EACCES))) {
                m_lastOpenFailure = OpenFailure::PermissionDenied;
            } else {
                m_lastOpenFailure = OpenFailure::InUse;
                return fail(QStringLiteral("%1 is in use by another program").arg(path));
            }
        }
        return fail(QStringLiteral("%1: %2").arg(path, why));
    }
    // A line starts empty, as a real port does: nothing kept from before.
    m_port.clear(QSerialPort::Input);
    m_input.clear();
    m_dropped = 0;
    m_port.clearError();
    m_lastOpenFailure = OpenFailure::None;
    return true;
}

SerialPort::OpenFailure QtSerialPort::lastOpenFailure() const
{
    return m_lastOpenFailure;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    m_input.clear();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialPort::write(const QString& text)
{
    if (!m_port.isOpen())
        return false;
    const QByteArray bytes = text.toLatin1();
    const qint64 written = m_port.write(bytes);
    // The caller may block the thread in a wait next; the bytes must leave now.
    if (m_port.isOpen())
        m_port.flush();
    if (m_port.isOpen() && m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(100);
    return written == bytes.size() && m_port.isOpen();
}

QString QtSerialPort::readAll()
{
    // A port lost meanwhile still hands over what it had delivered.
    if (!m_port.isOpen())
        return modemText(std::exchange(m_input, {}));
    m_reading = true;
    // Take in what the kernel holds but the event loop has not delivered yet.
    for (int round = 0; round < 64 && m_port.isOpen() && m_port.waitForReadyRead(0); ++round) { }
    m_reading = false;
    takeIn();
    return modemText(std::exchange(m_input, {}));
}

QString QtSerialPort::peekAll()
{
    takeIn();
    return modemText(m_input);
}

void QtSerialPort::setInputLimit(qsizetype bytes)
{
    m_inputLimit = qMax<qsizetype>(0, bytes);
    takeIn();
}

qint64 QtSerialPort::takeDroppedInput()
{
    return std::exchange(m_dropped, 0);
}

void QtSerialPort::takeIn()
{
    if (m_port.isOpen())
        m_input += m_port.readAll();
    if (m_inputLimit > 0 && m_input.size() > m_inputLimit) {
        const qsizetype excess = m_input.size() - m_inputLimit;
        m_input.remove(0, excess);
        m_dropped += excess;
    }
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return; // e.g. modem-control lines a pseudo-terminal does not have
    if (!m_port.isOpen())
        return;
    // Left open, a vanished device reports this error without end at full CPU.
    // What it delivered before is kept for readAll().
    const QString reason = m_port.errorString();
    takeIn();
    m_port.close();
    m_port.clearError();
    Q_EMIT portLost(reason);
}

} // namespace Quillon
