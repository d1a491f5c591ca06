#include "app/dialogs.h"

#include "settings/settings_dialog.h"
#include "ui/filter_dialog_widget.h"
#include "ui/main_window.h"
#include "ui/recorder_task.h"

namespace kestrom::app {

QDialog* makeSettingsDialog(ui::TKestrom_BMP& window) {
    auto* form = new settings::TFormUstawienia(&window, window.link(), window.prompts());
    form->setSamplingListObserver(
        [&window](SamplingList list) { window.state().samplingList = list; });
    // The recorder is read and written by the window's task, so the window keeps answering.
    form->setRecorderRunner([&window](const std::function<void(Prompts&)>& work) {
        return window.recorderTask().run(work);
    });
    return form;
}

QDialog* makeFilterDialog(ui::TKestrom_BMP& window) {
    return new ui::TF_Filtr(
        window.state().config, [&window] { return window.CurrentLanguage(); },
        [&window] { window.saveConfiguration(); }, &window);
}

} // namespace kestrom::app
