// Placement of the fourteen controls in the client area of the main window.
#pragma once

// Moves every control to its place for a client area of width x height
// pixels. The same size always gives the same placements.
void layoutControls(int width, int height);
