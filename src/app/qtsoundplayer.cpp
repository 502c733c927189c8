// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtsoundplayer.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace Quillon {

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const QString& wavPath)
{
    // No default beep for a missing file: a missing sound is silence.
    if (!QFileInfo(wavPath).isFile())
        return;
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    // Without a device isPlaying() stays true, and a running ring must be cut
    // off by a new one anyway: always stop first.
    m_effect->stop();
    const QUrl source = QUrl::fromLocalFile(wavPath);
    if (m_effect->source() != source)
        m_effect->setSource(source);
    m_effect->play();
}

} // namespace Quillon
