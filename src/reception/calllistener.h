// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "reception/reportparser.h"

namespace Quillon {

// Told of every call once it has been listed and stored, whatever its source.
class CallListener
{
public:
    virtual ~CallListener() = default;
    // hungUp: the line was answered and dropped on the caller.
    virtual void callProcessed(const CidCall& call, bool hungUp) = 0;
};

} // namespace Quillon
