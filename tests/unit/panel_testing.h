// SPDX-License-Identifier: MIT
// Shared set-up for the panel and key tests.
#pragma once

#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"

// Settings, flags and the panel message back to their start values, the buttons created afresh
// (from Data/gfx.dpf in the build folder) with the panel shown or hidden.
void ResetPanelState(bool gui);

// Scripts a button's state: a push button then reads pressed until it is set back off.
inline void Hold(int id) {
    CRM32Pro_IButton::SetState(id, CRM32Pro_IButton::STATE_ON);
}
inline void Release(int id) {
    CRM32Pro_IButton::SetState(id, CRM32Pro_IButton::STATE_OFF);
}
