#pragma once
// The dialogs created after the main window, in start-up order: the device settings dialog (it
// fills its lists in the language just loaded), the filter dialog (it shows the stored filter
// values) and the about box. Only this composition root knows both the window and the dialogs.

class QDialog;

namespace kestrom::ui {
class TKestrom_BMP;
}

namespace kestrom::app {

// Creates the three dialogs as children of the window and hands them to it.
void createDialogs(ui::TKestrom_BMP& window);

// The settings dialog of the main window: a child of it on the window's link and prompts,
// reporting its sampling list to the window's state.
QDialog* makeSettingsDialog(ui::TKestrom_BMP& window);

// The window's filter dialog, working on the window's configuration record and language.
QDialog* makeFilterDialog(ui::TKestrom_BMP& window);

} // namespace kestrom::app
