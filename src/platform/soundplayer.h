// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

namespace Quillon {

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Starts the WAV file asynchronously and returns at once, cutting off a
    // sound still playing; a missing file or sound device plays nothing.
    virtual void play(const QString& wavPath) = 0;
};

} // namespace Quillon
