// A clean start for each shell test: empty card table, no windows, no
// remembered data file path, and a scratch folder for data files. On Linux
// the settings store is redirected into the scratch folder so that the real
// user's settings are never touched.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/test_cards.h"
#include "tests/support/window_probe.h"

// Empties the card table and the editor's state and forgets every window
// handle, as at process start.
void resetProgramState();

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A path inside the scratch folder (nothing is created).
    std::string scratchPath(const std::string& name) const;
    static void writeFile(const std::string& path, const Bytes& bytes);
    static bool readFile(const std::string& path, Bytes& bytes);
    static bool fileExists(const std::string& path);

    // The remembered path as raw value data; false when there is none.
    static bool storedValue(std::string& value);
    // Stores raw value data of the given type and size.
    static void storeValue(const void* data, DWORD size, DWORD type = REG_SZ);
    static bool settingsKeyExists();

    // The main window and its controls, made as start-up makes them.
    void makeEditorWindow();

    HINSTANCE instance = nullptr;
    std::string scratch;      // the test's own folder, removed afterwards
    std::string startFolder;  // the current folder before the test: the open dialog may move it
};

// A shell test with the editor window made and an existing, empty data file
// that the open dialog can pick.
class ChosenFileTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        makeEditorWindow();
        chosen = scratchPath("cardinfo.dat");
        writeFile(chosen, cardFileBytes({}));
    }
    std::string chosen;
};
