#include "settings/settings_dialog.h"

#include "ui/main_window.h"

namespace kestrom::settings {

QDialog* makeSettingsDialog(ui::TKestrom_BMP& window) {
    auto* form = new TFormUstawienia(&window, window.link(), window.prompts());
    form->setSamplingListObserver(
        [&window](SamplingList list) { window.state().samplingList = list; });
    return form;
}

} // namespace kestrom::settings
