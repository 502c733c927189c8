// SPDX-License-Identifier: GPL-2.0-or-later
// QuillonCID --export LIST FILE and --import LIST FILE: work on the program's
// files without opening a window, also while the program runs.
#pragma once

#include "app/filelocations.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace Quillon {

// True when the command line asks for an import or export.
bool isTransferCommand(int argc, char** argv);

// arguments without the program name. Prints what was done on out, or one
// line on err; returns the exit status (0 done, 1 not done).
int runTransferCommand(const QStringList& arguments, const FileLocations& files, QTextStream& out, QTextStream& err);

} // namespace Quillon
