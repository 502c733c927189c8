// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/soundplayer.h"

#include <memory>

class QSoundEffect;

namespace Quillon {

// WAV playback through Qt Multimedia; returns at once and stays silent when
// the file or the sound device is missing.
class QtSoundPlayer final : public SoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    Q_DISABLE_COPY_MOVE(QtSoundPlayer)

    void play(const QString& wavPath) override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

} // namespace Quillon
