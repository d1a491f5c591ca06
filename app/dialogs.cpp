#include "app/dialogs.h"

#include "ui/fo_info.h"
#include "ui/main_window.h"

// Defined by the build when the targets kestrom_settings_dialog and kestrom_filter_dialog exist.
#ifdef KESTROM_HAS_SETTINGS_DIALOG
#include "settings/settings_dialog.h"
#endif
#ifdef KESTROM_HAS_FILTER_DIALOG
#include "analysis/filter_dialog_widget.h"
#endif

namespace kestrom::app {

void createDialogs(ui::TKestrom_BMP& window) {
#ifdef KESTROM_HAS_SETTINGS_DIALOG
    window.setSettingsDialog(settings::makeSettingsDialog(window));
#endif
#ifdef KESTROM_HAS_FILTER_DIALOG
    window.setFilterDialog(analysis::makeFilterDialog(window));
#endif
    window.setAboutBox(new ui::TFoInfo(&window));
}

} // namespace kestrom::app
