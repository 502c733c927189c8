// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's secondary windows: modeless, owned by the main window,
// at most one of each; opening one that is open brings it forward. Escape
// closes each; each comes back where the user left it ([Windows] in
// QuillonCID.ini).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace Quillon {

class ActivityLog;
class CallDatabase;
class CommSettingsWindow;
class MdmCmd;
class MessageBoxes;
class ModemDetector;
class NetworkService;
struct WorkingSettings;

// What the windows work with; each part outlives the set.
struct WindowParts
{
    QString iniPath;
    WorkingSettings& settings;
    ActivityLog& log;
    MdmCmd& modem;
    ModemDetector& detector;
    CallDatabase& database;
    NetworkService& network;
    MessageBoxes& boxes;
};

class WindowSet : public QObject
{
    Q_OBJECT

public:
    WindowSet(QWidget* owner, const WindowParts& parts);
    ~WindowSet() override;
    Q_DISABLE_COPY_MOVE(WindowSet)

    void openCommunications(); // frmCommSettings
    void openFormat(); // frmFormat
    void openNetwork(); // frmNetwork
    void openBlocking(); // frmBlocking
    void openSearch(); // frmSearch
    void openReject(); // frmReject
    void openPhoneIndex(); // frmPhnBook (brought forward without querying again)
    void openTranslate(); // frmTranslate
    void openAbout(); // frmAbout

    // The Reject or Translate window with a listed caller filled in.
    void rejectCaller(const QString& name, const QString& number);
    void translateCaller(const QString& name, const QString& number);
    // Calls were stored: open Search and Phone Index windows take them in.
    void callStored();

    // Detection's result in the communications options; loads the window
    // without showing it when it is not loaded.
    void refreshCommSettings();
    // Closes every window of the set (the main window is closing) and
    // keeps the main window's place for the next start.
    void closeAll();
    // The main window where it was when the program last ended.
    void restoreMainWindowPlace();

    // The open window of each kind, or nullptr; for tests.
    QWidget* window(const QString& objectName) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Loads the window with make unless it is loaded.
    template<typename Window, typename Make> Window* loaded(QPointer<Window>& slot, Make make);
    CommSettingsWindow* makeCommunications();
    void prepare(QWidget* window);

    struct Private;
    Private* d;
};

} // namespace Quillon
