#pragma once
// The dialogs created after the main window, in start-up order: the device settings dialog (it
// fills its lists in the language just loaded), the filter dialog (it shows the stored filter
// values) and the about box. A dialog whose unit is not part of this build is left out.

namespace kestrom::ui {
class TKestrom_BMP;
}

namespace kestrom::app {

// Creates the three dialogs as children of the window and hands them to it.
// settings/settings_dialog.h is expected to offer
//   QDialog* kestrom::settings::makeSettingsDialog(kestrom::ui::TKestrom_BMP&)
// and analysis/filter_dialog_widget.h
//   QDialog* kestrom::analysis::makeFilterDialog(kestrom::ui::TKestrom_BMP&).
void createDialogs(ui::TKestrom_BMP& window);

} // namespace kestrom::app
