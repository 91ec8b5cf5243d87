// The console device that the screen and keyboard services talk to: the run's own, or, for a
// run that must show nothing and read no key (a scripted split or glue), a silent one that shows
// nothing, has a screen of no cells, and has no input at all.
#pragma once

class ConsoleDevice;

ConsoleDevice& con_device();

// From now on until the next run, the console is silent (or not).
void con_set_silent(bool silent);
bool con_silent();
