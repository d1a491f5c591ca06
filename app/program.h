#pragma once
// The program entry shared by kestrom and kestrom-demo: they differ only in the bus.

#include "device/bridge.h"

namespace kestrom::app {

// Sets the application title, creates the main window and its dialogs in start-up order, shows
// the window maximised and runs the message loop. Returns 0, also after an error that escaped
// window creation or the loop (it is shown first). The arguments name a flight to open and a
// comparison (see open_arguments.h); a wrong command line is told on stderr and gives 2.
int runProgram(int argc, char** argv, DeviceBus& bus);

} // namespace kestrom::app
