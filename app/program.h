#pragma once
// The program entry shared by kestrom and kestrom-demo: they differ only in the bus.

#include "device/bridge.h"
#include "ui/main_window.h"

#include <functional>
#include <string>

namespace kestrom::ui {
class ContestMenu;
}

namespace kestrom::app {

// Called once the main window is shown, before the message loop runs (the demo plugs its
// recorders in and opens the contest window here).
using ProgramStarted = std::function<void(ui::TKestrom_BMP& window, ui::ContestMenu& contest)>;

// Sets the application title, creates the main window and its dialogs in start-up order, shows
// the window maximised and runs the message loop. Returns 0, also after an error that escaped
// window creation or the loop (it is shown first). The arguments name a flight to open and a
// comparison (see open_arguments.h); a wrong command line is told on stderr and gives 2.
int runProgram(int argc, char** argv, DeviceBus& bus, const ProgramStarted& started = {});

// The configuration of the program at `programPath`: the file beside it, or for an installed
// program the one in the user's configuration folder. A file that cannot be read gives the
// defaults, marked kept with the reason, so that the user may still mend it.
ui::WindowConfig loadWindowConfig(const std::string& programPath);

} // namespace kestrom::app
