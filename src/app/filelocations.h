// SPDX-License-Identifier: GPL-2.0-or-later
// Where the user's files live: beside the program (portable) or in the
// user's own folders (installed). Chosen once at start-up.
#pragma once

#include <QString>

class QProcessEnvironment;

namespace Quillon {

struct FileLocations
{
    enum class Mode
    {
        Portable,
        Installed,
    };

    Mode mode = Mode::Portable;
    QString configDir; // QuillonCID.ini and the single-instance lock
    QString dataDir; // CallerID.mdb, CID.Log and a ring sound of the user's own
    QString sharedDir; // what ships with the program: RingIn.wav, QuillonCID.html, schema.sql
    QString autostartDir; // where the desktop looks for programs to start at login

    // Every file in one folder, the autostart entry included.
    static FileLocations inOneFolder(const QString& dir);

    QString iniPath() const;
    QString databasePath() const;
    QString helpPath() const;
    // The user's own RingIn.wav in the data folder when there is one.
    QString ringSoundPath() const;
};

// Portable when exeDir is writable and already holds QuillonCID.ini or
// CallerID.mdb; installed otherwise. The user's folders follow XDG_CONFIG_HOME
// and XDG_DATA_HOME (absolute paths only), falling back to HOME.
FileLocations chooseFileLocations(const QString& exeDir, bool exeDirWritable, const QProcessEnvironment& environment);
bool isWritableFolder(const QString& dir);

// In installed mode makes the user's folders (mode 0700) and, when absent, a
// call database from the shipped schema (mode 0600). Nothing happens in
// portable mode. False with a reason when something could not be made.
bool prepareUserFiles(const FileLocations& files, QString* error = nullptr);

} // namespace Quillon
