// The predefined control classes EDIT, LISTBOX and BUTTON. Each maker builds
// the Qt widget under the parent's client area and returns the state that
// handles the control's messages.
#pragma once

#include <memory>
#include <string>

#include "platform/linux/user/window_table.h"

namespace winlayer {

std::unique_ptr<ControlState> makeEdit(Window& window, QWidget* parent, const std::string& text);
std::unique_ptr<ControlState> makeListBox(Window& window, QWidget* parent);
std::unique_ptr<ControlState> makeButton(Window& window, QWidget* parent, const std::string& text);

// Sends WM_COMMAND(MAKEWPARAM(id, code), control) to the control's parent.
void notifyParent(const Window& control, WORD code);

// Copies text into a WM_GETTEXT buffer of the given capacity; returns the
// count copied without the NUL.
LRESULT copyText(const std::string& text, WPARAM capacity, LPARAM buffer);

}  // namespace winlayer
