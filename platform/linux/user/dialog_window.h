// A modal Qt dialog seen through Win32 as a "#32770" window of the thread,
// with items that GetDlgItem finds, for as long as the dialog runs.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "platform/linux/user/window_table.h"

namespace winlayer {

class DialogWindow {
  public:
    // Registers the dialog; WM_COMMAND with an id calls onCommand(id).
    DialogWindow(HWND owner, const std::string& caption, QDialog* dialog, std::function<void(int)> onCommand);
    ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Adds an item whose text is read and written through the two functions.
    void addItem(int id, std::function<std::string()> get, std::function<void(const std::string&)> set);
    // Adds an item whose messages `control` answers.
    void addItem(int id, std::unique_ptr<ControlState> control);

    // Runs the dialog modally: the owner is disabled meanwhile, and posted
    // messages and timers keep being dispatched. Returns exec()'s result.
    int run();

    HWND handle() const { return handle_; }

  private:
    HWND handle_ = nullptr;
    HWND owner_ = nullptr;
    QDialog* dialog_ = nullptr;
};

}  // namespace winlayer
