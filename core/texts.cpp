#include "core/texts.h"

#include <array>
#include <charconv>
#include <system_error>

namespace kestrom {
namespace {

struct Row {
    Text key;
    std::array<std::string_view, kLanguageCount> column; // Polish, English
};

// Every text, in the order of Text. Blanks and letters are as shown on screen: some captions
// carry the blanks that align them in their controls.
constexpr std::array<Row, kTextCount> kTable{{
    {Text::Reset, {"Zerowanie", "Reset"}},
    {Text::ReadDevice, {"Odczyt Kestromu", "Read Altimeter"}},
    {Text::Altitude, {"Wysokosc", "Altitude"}},
    {Text::SendSettings, {"Zapisz", "Save"}},
    {Text::DiskGroup, {"Dysk - Zapis/Odczyt", "Disc - Save/Load"}},
    {Text::Save, {"Zapisz", "Save"}},
    {Text::Load, {"Odczyt", "Load"}},
    {Text::ReadingData, {"   Odczyt danych", "     Load data"}},
    {Text::Setup, {"Ustawienia", "Setup"}},
    {Text::CompetitorNo, {"Nr.Zawodnika", "Competitor No."}},
    {Text::SerialNo, {"Nr.Seryjny", "Serial No."}},
    {Text::Compare, {"Porównanie", "Compare   "}},
    {Text::Charts, {"Wykresy", "Charts"}},
    {Text::Acceleration, {"Przyspieszenie", "Acceleration  "}},
    {Text::Device, {"Kestrom", "Altimeter"}},
    {Text::WindowTitle,
     {"Kestrom BMP    Ver. 2018.3 FTDI    zgodne z BRUX-FAI",
      "Kestrom BMP    Ver. 2018.3 FTDI    BRUX-FAI compliant"}},
    {Text::Sampling, {"Pomiary", "Sampling"}},
    {Text::Temperature, {"Temperatura", "Temperature"}},
    {Text::File, {"Plik", "File"}},
    {Text::PrinterSetup, {"Ustaw Drukarke", "Printer Setup"}},
    {Text::Print, {"Drukuj", "Print"}},
    {Text::SavePicture, {"Zapisz Obraz", "Save Picture"}},
    {Text::Export, {"Export do Excel", "Export to Excel"}},
    {Text::ReadFrom, {"Odczyt z: ", "Read from:"}},

    {Text::ResetConfirm, {"Zerowanie. Czy napewno?", "Reset. Sure?"}},
    {Text::ResetConfirmCaption, {"ZEROWANIE", "Reset"}},
    {Text::PortError, {"Błąd komunikacji z portem ", "Communication Error "}},
    {Text::CommError, {"Błąd komunikacji", "Communication Error"}},
    {Text::ProblemCaption, {"Kestrom - problem", "Altimeter - error"}},
    {Text::ResetDone, {"Kestrom wyzerowany", "Reset - OK"}},
    {Text::ResetError, {"Błąd Zerowania", "Reset - Error"}},
    {Text::ResetDoneCaption, {"Zerowanie", "Reset"}},
    {Text::NoData, {"Brak danych", "No data"}},
    {Text::NoNewFlight,
     {"Brak nowego pomiaru - odczyt poprzedniego pomiaru",
      "No new measurement-the reading of the previous"}},
    {Text::NoFlight, {"Brak pomiaru   ", "No measurement "}},
    {Text::FileExists, {"Plik istnieje. Zapisać?", "File exists. Save?"}},
    {Text::SaveCaption, {"Kestrom-Zapis", "Altimeter-Save"}},
    {Text::WrongTemperature, {"Zła wartośc temperatury", "Wrong temperature"}},
    {Text::SetupFailed, {"Błąd zapisu", "Setup failed"}},
    {Text::SetupCaption, {"Ustawienia", "Setup"}},
    {Text::SetupOk, {"Ustawienia OK", "Setup OK"}},
    {Text::SelectionMissing, {"Nie wybrano wartości", "No value selected"}},
    {Text::FileTooShort, {"Plik za krótki", "File too short"}},
    {Text::ValueTooLarge, {"Za duza wartosc", "Too large value"}},
    {Text::FieldEmpty, {"Pole nie może być puste", "Field can not be empty"}},
    {Text::PrintFailed,
     {"Nie można wydrukować - sprawdź ustawienia drukarki",
      "Cannot print - check the printer setup"}},
    {Text::HelpNotFound, {"Nie znaleziono podręcznika użytkownika", "User guide not found"}},
    {Text::HelpNotOpened,
     {"Nie można otworzyć podręcznika użytkownika", "Cannot open the user guide"}},
    {Text::ConfigNotRead,
     {"Nie można odczytać pliku konfiguracji - ustawienia domyślne, zmiany nie zostaną zapisane",
      "The configuration file cannot be read - defaults in use, changes will not be saved"}},
    {Text::NotAFlight,
     {"To nie jest plik pomiaru: niemożliwe słowa kalibracji czujnika",
      "This is not a measurement file: impossible sensor calibration words"}},
    {Text::CancelTransfer, {"Anuluj", "Cancel"}},
    {Text::StationWaiting, {"czeka", "waiting"}},
    {Text::StationDownloading, {"pobieranie", "downloading"}},
    {Text::StationDone, {"gotowe, odłącz", "done, unplug"}},
    {Text::StationFailed, {"błąd", "failed"}},
    {Text::StationCancelled, {"Pobieranie przerwane", "Download cancelled"}},
    {Text::StationBrokenOff,
     {"Transmisja przerwana przed końcem lotu",
      "The transfer broke off before the end of the flight"}},
    {Text::StationNotArchived, {"Nie zapisano w archiwum: ", "Not archived: "}},
    {Text::StationReadBackDiffers,
     {"Plik w archiwum różni się od odebranych danych - nie wyzerowano",
      "The archived file differs from the data received - not zeroed"}},
    {Text::StationZeroFailed, {"Lot zapisany, zerowanie nieudane", "Flight kept, reset failed"}},
    {Text::StationNoRecorder, {"Wysokościomierz nie odpowiada", "The altimeter does not answer"}},
    {Text::ContestWindowTitle, {"Zawody", "Contest"}},
    {Text::ContestNew, {"Nowe zawody", "New contest"}},
    {Text::ContestName, {"Nazwa", "Name"}},
    {Text::ContestDate, {"Data", "Date"}},
    {Text::ContestRecorders, {"Podłączone wysokościomierze", "Connected altimeters"}},
    {Text::ContestFlights, {"Loty zawodów", "Contest flights"}},
    {Text::ContestStandings, {"Klasyfikacja", "Standings"}},
    {Text::ContestAddFlights, {"Dodaj loty", "Add flights"}},
    {Text::ContestRemoveFlight, {"Usuń lot", "Remove flight"}},
    {Text::ContestExportCsv, {"Eksport CSV", "Export CSV"}},
    {Text::ContestExportPdf, {"Eksport PDF", "Export PDF"}},
    {Text::ContestZeroAfter, {"Zerowanie po bezpiecznym odczycie", "Reset after a safe download"}},
    {Text::ContestZeroAfterConfirm,
     {"Każdy wysokościomierz zostanie wyzerowany po zapisaniu i sprawdzeniu lotu. Włączyć?",
      "Every altimeter will be reset once its flight is kept and checked. Switch on?"}},
    {Text::ContestNoneOpen, {"Brak otwartych zawodów", "No contest open"}},
    {Text::ContestMenu, {"Zawody", "Contest"}},
    {Text::RecorderNotFound, {"Nie znaleziono wysokościomierza?", "Recorder not found?"}},
    {Text::ContestWindowItem, {"Okno zawodów...", "Contest window..."}},
    {Text::ContestSocket, {"Gniazdo", "Socket"}},
    {Text::ContestState, {"Stan", "State"}},
    {Text::StandingsRank, {"Miejsce", "Rank"}},
    {Text::StandingsCompetitor, {"Zawodnik", "Competitor"}},
    {Text::StandingsFlights, {"Loty", "Flights"}},
    {Text::StandingsBest, {"Najlepsze maksimum [m]", "Best maximum [m]"}},
    {Text::StandingsMaxima, {"Maksima lotów [m]", "Flight maxima [m]"}},
    {Text::HelpFile, {"Kes_HELPP.chm", "Kes_HELPA.chm"}},
    {Text::GuideFile, {"kestrom-guide-pl.html", "kestrom-guide-en.html"}},

    {Text::FilterButton, {"Filtr", "Filtr"}},
    {Text::SetupDefault, {"Setup Default", "Setup Default"}},
    {Text::ValuesMenu, {"Wartosci", "Wartosci"}},
    {Text::PrintExportMenu, {"Print/Export", "Print/Export"}},
    {Text::LanguageMenu, {"Język/Language", "Język/Language"}},
    {Text::InfoMenu, {"Info", "Info"}},
    {Text::HelpMenu, {"Help", "Help"}},
    {Text::SecondsUnit, {"[sek]", "[sek]"}},
    {Text::Wait, {"    Czekaj", "    Czekaj"}},
    {Text::FilterWindowTitle, {"Kestrom-Filtr", "Kestrom-Filtr"}},
    // The chart's title between outputs, as first shown and as put back after one.
    {Text::ChartTitle, {"            Wysokosc / Altitude", "            Wysokosc / Altitude"}},
    {Text::ChartTitleRestored, {"        Wysokosc / Altitude", "        Wysokosc / Altitude"}},
    // The curves' legend names as designed; the window puts the first three into its language.
    {Text::SeriesAltitude, {"Wysokosc", "Wysokosc"}},
    {Text::SeriesAcceleration, {"Przyspieszenie", "Przyspieszenie"}},
    {Text::SeriesCompare, {"Porownanie", "Porownanie"}},
    {Text::SeriesFilter, {"Filtr", "Filtr"}},
    {Text::SeriesFilter1, {"Filtr1", "Filtr1"}},
    {Text::SeriesFilter2, {"Filtr2", "Filtr2"}},

    {Text::DialogTitle, {"Ustawienia", "Setup"}},
    {Text::TriggerLevel, {"Wysokosc Startu Pomiaru", "Setup Heigh Trigger"}},
    {Text::DialogTemperature, {"Temperatura", "Temperature"}},
    {Text::ManualZero, {"Zerowanie ręczne", "Manual reset"}},
    {Text::Delay, {"Czas Opoznienia", "Delay"}},
    {Text::Seconds, {"[sek]", "[sec]"}},
    {Text::Version, {"Wersja programu", "Software version"}},
    {Text::ZeroNo, {"Nie", "No"}},
    {Text::ZeroYes, {"Tak", "Yes"}},
    {Text::Rate0, {"20 pom/sek", "20 mes/sek"}},
    {Text::Rate1, {"15 pom/sek", "15 mes/sek"}},
    {Text::Rate2, {"10 pom/sek", "10 mes/sek"}},
    {Text::Rate3, {" 5 pom/sek", " 5 mes/sek"}},
    {Text::Rate4, {" 1 pom/sek", " 1 mes/sek"}},
    {Text::Rate5, {" 2 sek/pom", " 2 sek/mes"}},
    // Two blanks before a one-digit number, in every language.
    {Text::DesignRate0, {"20 pom/sek", "20 pom/sek"}},
    {Text::DesignRate1, {"15 pom/sek", "15 pom/sek"}},
    {Text::DesignRate2, {"10 pom/sek", "10 pom/sek"}},
    {Text::DesignRate3, {"  5 pom/sek", "  5 pom/sek"}},
    {Text::DesignRate4, {"  1 pom/sek", "  1 pom/sek"}},
    {Text::DesignRate5, {"  2 sek/pom", "  2 sek/pom"}},

    {Text::PreCut, {"Obciecie wstepne[cm]", "Pre-cut [cm]"}},
    {Text::Prefilter, {"Filtr wstepny [4-20]", "Prefilter [4-20]"}},
    {Text::FinalCut, {"Obciecie dokladne [cm]", "Final cut [cm]"}},
    {Text::FinalFilter, {"Filtr dokladny [4 - 30]", "Final Filter [6-30]"}},
    {Text::FilterSave, {"Zapisz", "Save"}},
    {Text::FilterDefault, {"Domyslne", "Default"}},

    {Text::FlightsMenu, {"Loty", "Flights"}},
    {Text::RecentMenu, {"Ostatnie pliki", "Recent files"}},
    {Text::NoRecentFiles, {"(brak)", "(none)"}},
    {Text::FlightsList, {"Lista lotów...", "Flights list..."}},
    {Text::Archiving, {"Archiwizuj pobrane loty", "Archive downloaded flights"}},
    {Text::NotArchived, {"Lotu nie zapisano w archiwum: ", "The flight was not archived: "}},
    {Text::ContestReport, {"Raport zawodów (PDF)...", "Contest report (PDF)..."}},
    {Text::NotOpened,
     {"Otwierane są dwa pliki: lot i porównanie. Nie otwarto:",
      "Two files are opened: a flight and a comparison. Not opened:"}},
    {Text::FlightsTitle, {"Loty", "Flights"}},
    {Text::FlightsLoad, {"Odczyt", "Load"}},
    {Text::FlightsCompare, {"Porównanie", "Compare"}},
    {Text::ListTime, {"Czas", "Time"}},
    {Text::ListCompetitor, {"Nr.Zawodnika", "Competitor No."}},
    {Text::ListSerial, {"Nr.Seryjny", "Serial No."}},
    {Text::ListSampling, {"Pomiary", "Sampling"}},
    {Text::ListDuration, {"Czas lotu [s]", "Duration [s]"}},
    {Text::ListMaximum, {"Maximum [m]", "Maximum [m]"}},
    {Text::ListMinimum, {"Minimum [m]", "Minimum [m]"}},
    {Text::ListFile, {"Plik", "File"}},

    {Text::FilterLabel, {"Filtr", "Filter"}},
    {Text::MeanVerticalSpeed, {"średnia prędkość pionowa", "mean vertical speed"}},
}};

// The Language menu's entries, by column.
constexpr std::array<std::string_view, kLanguageCount> kLanguageMenuNames{"Polski", "English"};

// Every row sits at its key's place and has a text in every column: a key added without its row,
// a row out of place or a language column left out does not compile.
constexpr bool complete() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].key) != i) {
            return false;
        }
        for (std::string_view cell : kTable[i].column) {
            if (cell.empty()) {
                return false;
            }
        }
    }
    return true;
}
static_assert(complete(), "every text needs its row in key order and a text in every language");

} // namespace

std::string_view text(Text key, Language language) {
    return kTable.at(static_cast<std::size_t>(key)).column.at(languageColumn(language));
}

std::string_view languageMenuName(Language language) {
    return kLanguageMenuNames.at(languageColumn(language));
}

std::string decimalText(double value, int decimals, char separator) {
    // to_chars, unlike printf, ignores the process locale the window sets.
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    std::string out(buffer.data(), error == std::errc() ? end : buffer.data());
    if (!out.empty() && out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) {
        out.erase(0, 1);
    }
    for (char& c : out) {
        if (c == '.') {
            c = separator;
        }
    }
    return out;
}

} // namespace kestrom
