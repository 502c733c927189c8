// SPDX-License-Identifier: GPL-2.0-or-later
#include "filelocations.h"

#include "quillonversion.h"
#include "records/databasefile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <sys/stat.h>
#include <unistd.h>

namespace Quillon {

namespace {

const QString kFolderName = QStringLiteral("QuillonCID");

// An XDG base folder: the variable when it holds an absolute path, else the
// fallback under HOME. Relative values are to be ignored, the XDG rules say.
QString baseFolder(const QProcessEnvironment& environment, const QString& variable, const QString& fallback)
{
    const QString value = environment.value(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    QString home = environment.value(QStringLiteral("HOME"));
    if (home.isEmpty())
        home = QDir::homePath();
    return QDir::cleanPath(home + QLatin1Char('/') + fallback);
}

// mkdir -p with every folder it makes private to the user; folders that are
// there already keep the modes the user gave them.
bool makePrivateFolder(const QString& path, QString* error)
{
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makePrivateFolder(parent, error))
        return false;
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || QFileInfo(path).isDir())
        return true;
    if (error)
        *error = QStringLiteral("could not make the folder ") + path;
    return false;
}

} // namespace

FileLocations FileLocations::inOneFolder(const QString& dir)
{
    return { Mode::Portable, dir, dir, dir, dir + QStringLiteral("/autostart") };
}

QString FileLocations::iniPath() const
{
    return configDir + QStringLiteral("/QuillonCID.ini");
}

QString FileLocations::databasePath() const
{
    return dataDir + QStringLiteral("/CallerID.mdb");
}

QString FileLocations::helpPath() const
{
    return sharedDir + QStringLiteral("/QuillonCID.html");
}

QString FileLocations::ringSoundPath() const
{
    const QString own = dataDir + QStringLiteral("/RingIn.wav");
    if (QFileInfo(own).isFile())
        return own;
    return sharedDir + QStringLiteral("/RingIn.wav");
}

FileLocations chooseFileLocations(const QString& exeDir, bool exeDirWritable, const QProcessEnvironment& environment)
{
    const QString configHome = baseFolder(environment, QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral(".config"));
    const QString autostartDir = configHome + QStringLiteral("/autostart");
    const QDir dir(exeDir);
    if (exeDirWritable
        && (dir.exists(QStringLiteral("QuillonCID.ini")) || dir.exists(QStringLiteral("CallerID.mdb")))) {
        return { FileLocations::Mode::Portable, exeDir, exeDir, exeDir, autostartDir };
    }
    const QString dataHome = baseFolder(environment, QStringLiteral("XDG_DATA_HOME"), QStringLiteral(".local/share"));
    return { FileLocations::Mode::Installed, configHome + QLatin1Char('/') + kFolderName,
             dataHome + QLatin1Char('/') + kFolderName,
             QDir::cleanPath(exeDir + QLatin1Char('/') + QStringLiteral(QUILLON_SHARE_FROM_BIN)), autostartDir };
}

bool isWritableFolder(const QString& dir)
{
    // access() rather than the mode bits: it also knows read-only mounts.
    return ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
}

bool prepareUserFiles(const FileLocations& files, QString* error)
{
    if (files.mode != FileLocations::Mode::Installed)
        return true;
    if (!makePrivateFolder(files.configDir, error) || !makePrivateFolder(files.dataDir, error))
        return false;
    if (QFileInfo::exists(files.databasePath()))
        return true;
    return createCallDatabase(files.databasePath(), files.sharedDir + QStringLiteral("/schema.sql"), error);
}

} // namespace Quillon
