// The console's set-up for a run that shows screens: where screen output goes, the input
// device, the console modes and the cursor shape.
#pragma once

// Fills the console state's flags, sets the console modes and reads the cursor shape. A run
// that shows nothing (a scripted split or glue) never calls it, so it never touches a terminal.
void con_setup();
