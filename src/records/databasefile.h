// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

namespace Quillon {

// Makes an empty call database at path from the schema file, readable and
// writable by the user alone. Never replaces a file that is there: false (with
// a reason) when path exists or anything fails, and then nothing is left behind.
bool createCallDatabase(const QString& path, const QString& schemaPath, QString* error = nullptr);

} // namespace Quillon
