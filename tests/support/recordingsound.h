// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/helpviewer.h"
#include "platform/soundplayer.h"

#include <QStringList>

namespace Quillon::Test {

// Records what would have been played; plays nothing.
class RecordingSound final : public SoundPlayer
{
public:
    void play(const QString& wavPath) override { played.append(wavPath); }
    QStringList played;
};

// Records the documents that would have been opened.
class RecordingHelp final : public HelpViewer
{
public:
    bool open(const QString& path) override
    {
        opened.append(path);
        return !fails;
    }
    QStringList opened;
    bool fails = false; // as when no browser can be started
};

} // namespace Quillon::Test
