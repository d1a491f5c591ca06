// Handlers of the filter, comparison, chart inspection, temperature re-entry and output actions.
// They are connected to their controls but do nothing yet: the work that builds those actions
// replaces these bodies.

#include "ui/main_window.h"

namespace kestrom::ui {

void TKestrom_BMP::B_Filtr_AltClick() {}
void TKestrom_BMP::B_Filtr_porClick() {}
void TKestrom_BMP::B_PorownanieClick() {}
void TKestrom_BMP::Porownanie1Click() {}
void TKestrom_BMP::Warto1Click() {}
void TKestrom_BMP::UstawDrukarke1Click() {}
void TKestrom_BMP::Drukuj1Click() {}
void TKestrom_BMP::ZapiszObraz1Click() {}
void TKestrom_BMP::ZapiszdoExcela1Click() {}
void TKestrom_BMP::ppp() {}
void TKestrom_BMP::xxx(SeriesId) {}
void TKestrom_BMP::Chart1Zoom() {}
void TKestrom_BMP::Chart1UndoZoom() {}
void TKestrom_BMP::E_TempGlKeyPress() {}
void TKestrom_BMP::E_TempPorKeyPress() {}

} // namespace kestrom::ui
