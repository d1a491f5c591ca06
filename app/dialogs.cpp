#include "app/dialogs.h"

#include "ui/fo_info.h"
#include "ui/main_window.h"

namespace kestrom::app {

void createDialogs(ui::TKestrom_BMP& window) {
    window.setSettingsDialog(makeSettingsDialog(window));
    window.setFilterDialog(makeFilterDialog(window));
    window.setAboutBox(new ui::TFoInfo(&window));
}

} // namespace kestrom::app
