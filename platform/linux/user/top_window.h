// Top-level windows: the Qt window with its menu bar and client area, and the
// Win32 model of its placement (restored rectangle, maximised, minimised).
#pragma once

#include "platform/linux/user/window_table.h"

namespace winlayer {

// Makes the Qt window of a new top-level window from its model.
void createTopWidget(Window& window, HICON icon);

// Makes the window the active one with the keyboard focus on the window
// itself, not on a child: the default activation of the platform.
void activateTopWindow(Window& window);

// Moves the Qt window to the model's place and state.
void applyTopGeometry(Window& window);

// Sends WM_SIZE when the client size or size type differs from the last one sent.
void sendSizeIfChanged(Window& window);

// Changes the placement and sends WM_SIZE synchronously.
void setPlacement(Window& window, Placement placement);

// The outer rectangle of a maximised window: the screen's available area
// with the frame border outside it.
RECT maximizedRect(const Window& window);

}  // namespace winlayer
