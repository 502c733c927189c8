// SPDX-License-Identifier: GPL-2.0-or-later
// The serial line over QSerialPort.
#pragma once

#include "platform/serialport.h"

#include <QSerialPort>

namespace Quillon {

class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    struct LineSettings
    {
        qint32 speed = 14400;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };

    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;
    Q_DISABLE_COPY_MOVE(QtSerialPort)

    void setPort(int portNumber, const QString& devicePath) override;
    int portNumber() const override;
    QString devicePath() const override;
    void setSettingsText(const QString& settings) override;
    void setReadAllBuffered() override;

    bool open(QString* error = nullptr) override;
    OpenFailure lastOpenFailure() const override;
    void close() override;
    bool isOpen() const override;

    bool write(const QString& text) override;
    QString readAll() override;
    QString peekAll() override;
    void setInputLimit(qsizetype bytes) override;
    qint64 takeDroppedInput() override;

    // "speed,parity,data,stop": speed a whole number above 0, parity one of
    // N E O M S, data 5 to 8, stop 1, 1.5 or 2. False on anything else.
    static bool parseSettings(const QString& text, LineSettings* settings);

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // Moves what QSerialPort holds into m_input, trimmed to the limit.
    void takeIn();

    QSerialPort m_port;
    int m_portNumber = 1;
    QString m_devicePath;
    QString m_settingsText = QStringLiteral("14400,N,8,1");
    // readAll() pulls pending bytes in itself; those are not new arrivals.
    bool m_reading = false;
    QByteArray m_input;
    qsizetype m_inputLimit = 0;
    qint64 m_dropped = 0;
    OpenFailure m_lastOpenFailure = OpenFailure::None;
};

} // namespace Quillon
