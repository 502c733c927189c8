// SPDX-License-Identifier: GPL-2.0-or-later
// The serial line to the modem, as the rest of the program uses it.
#pragma once

#include <QObject>
#include <QString>

namespace Quillon {

class SerialPort : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // The device to open, and the port number 1..6 the program's messages
    // call it by; both taken at the next open(). An empty path never opens.
    virtual void setPort(int portNumber, const QString& devicePath) = 0;
    virtual int portNumber() const = 0;
    virtual QString devicePath() const = 0;
    // "speed,parity,data,stop" as in "14400,N,8,1"; taken at the next open().
    virtual void setSettingsText(const QString& settings) = 0;
    // readAll() then returns every buffered character, not a fixed count.
    virtual void setReadAllBuffered() = 0;

    // Why the last open() failed; None after one that succeeded.
    enum class OpenFailure
    {
        None,
        NoDevice,
        PermissionDenied,
        InUse,
        Other
    };

    // False when the port is missing, in use or cannot take the settings;
    // error then holds the reason in words.
    virtual bool open(QString* error = nullptr) = 0;
    virtual OpenFailure lastOpenFailure() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Queues the text (one byte per character, Latin-1) and returns at once.
    // Dropped, returning false, when the port is closed.
    virtual bool write(const QString& text) = 0;
    // Everything received so far, one character per byte; empties the buffer.
    // After a loss, what had arrived before it; else empty when closed.
    virtual QString readAll() = 0;
    // What readAll() would return now, left in the buffer.
    virtual QString peekAll() = 0;
    // Holds at most this many received bytes, dropping the oldest beyond it,
    // so that a line spewing noise cannot fill the memory; 0 = no bound.
    virtual void setInputLimit(qsizetype bytes) { Q_UNUSED(bytes) }
    // Bytes dropped for the limit since the last call.
    virtual qint64 takeDroppedInput() { return 0; }

Q_SIGNALS:
    // Raised on the UI thread whenever received characters are waiting.
    void dataArrived();
    // The device went away while open; the port has already been closed.
    void portLost(const QString& reason);
};

} // namespace Quillon
