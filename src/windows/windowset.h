// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's secondary windows: modeless, owned by the main window,
// at most one of each; opening one that is open brings it forward.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace Quillon {

class CallDatabase;
class MdmCmd;
class MessageBoxes;
class NetworkService;
struct WorkingSettings;

class WindowSet : public QObject
{
    Q_OBJECT

public:
    WindowSet(QWidget* owner, const QString& appDir, WorkingSettings& settings, MdmCmd& modem, CallDatabase& database,
              MessageBoxes& boxes);
    ~WindowSet() override;
    Q_DISABLE_COPY_MOVE(WindowSet)

    void openCommunications(); // frmCommSettings
    void openFormat(); // frmFormat
    void openNetwork(); // frmNetwork, once setNetwork() was given the service
    void setNetwork(NetworkService* network);
    void openSearch(); // frmSearch
    void openReject(); // frmReject
    void openPhoneIndex(); // frmPhnBook (brought forward without querying again)
    void openTranslate(); // frmTranslate
    void openAbout(); // frmAbout

    // Detection's refresh of the communications options; loads the window
    // without showing it when it is not loaded.
    void refreshCommSettings();
    // Closes every window of the set (the main window is closing).
    void closeAll();

    // The open window of each kind, or nullptr; for tests.
    QWidget* window(const QString& objectName) const;

private:
    struct Private;
    Private* d;
};

} // namespace Quillon
