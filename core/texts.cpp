#include "core/texts.h"

#include <array>
#include <cstddef>

namespace kestrom {
namespace {

// Captions have no fixed width; stride 0 marks that.
constexpr std::array<TextPair, 25> kCaptions{{
    {"Zerowanie", "Reset", 0},
    {"Odczyt Kestromu", "Read Altimeter", 0},
    {"Wysokosc", "Altitude", 0},
    {"Zapisz", "Save", 0},
    {"Dysk - Zapis/Odczyt", "Disc - Save/Load", 0},
    {"Zapisz", "Save", 0},
    {"Odczyt", "Load", 0},
    {"   Odczyt danych", "     Load data", 0},
    {"Ustawienia", "Setup", 0},
    {"Nr.Zawodnika", "Competitor No.", 0},
    {"Nr.Seryjny", "Serial No.", 0},
    {"Porównanie", "Compare   ", 0},
    {"Wykresy", "Charts", 0},
    {"Przyspieszenie", "Acceleration  ", 0},
    {"Kestrom", "Altimeter", 0},
    {"Kestrom BMP    Ver. 2018.3 FTDI    zgodne z BRUX-FAI",
     "Kestrom BMP    Ver. 2018.3 FTDI    BRUX-FAI compliant", 0},
    {"Pomiary", "Sampling", 0},
    {"Temperatura", "Temperature", 0},
    {"Plik", "File", 0},
    {"Ustaw Drukarke", "Printer Setup", 0},
    {"Drukuj", "Print", 0},
    {"Zapisz Obraz", "Save Picture", 0},
    {"Export do Excel", "Export to Excel", 0},
    {"Odczyt z: ", "Read from:", 0},
    {"Anuluj", "Cancel", 0},
}};

constexpr std::array<TextPair, 57> kMessages{{
    {"Zerowanie. Czy napewno?", "Reset. Sure?", 30},
    {"ZEROWANIE", "Reset", 20},
    {"Błąd komunikacji z portem ", "Communication Error ", 30},
    {"Błąd komunikacji", "Communication Error", 30},
    {"Kestrom - problem", "Altimeter - error", 30},
    {"Kestrom wyzerowany", "Reset - OK", 30},
    {"Błąd Zerowania", "Reset - Error", 30},
    {"Zerowanie", "Reset", 10},
    {"Brak danych", "No data", 15},
    {"Brak nowego pomiaru - odczyt poprzedniego pomiaru",
     "No new measurement-the reading of the previous", 50},
    {"Brak pomiaru   ", "No measurement ", 16},
    {"Plik istnieje. Zapisać?", "File exists. Save?", 25},
    {"Kestrom-Zapis", "Altimeter-Save", 15},
    {"Zła wartośc temperatury", "Wrong temperature", 25},
    {"Błąd zapisu", "Setup failed", 15},
    {"Ustawienia", "Setup", 15},
    {"Ustawienia OK", "Setup OK", 15},
    {"Nie wybrano wartości", "No value selected", 0},
    {"Plik za krótki", "File too short", 0},
    {"Za duza wartosc", "Too large value", 30},
    {"Pole nie może być puste", "Field can not be empty", 24},
    {"Nie można wydrukować - sprawdź ustawienia drukarki", "Cannot print - check the printer setup",
     0},
    {"Nie znaleziono podręcznika użytkownika", "User guide not found", 0},
    {"Nie można otworzyć podręcznika użytkownika", "Cannot open the user guide", 0},
    {"Nie można odczytać pliku konfiguracji - ustawienia domyślne, zmiany nie zostaną zapisane",
     "The configuration file cannot be read - defaults in use, changes will not be saved", 0},
    {"To nie jest plik pomiaru: niemożliwe słowa kalibracji czujnika",
     "This is not a measurement file: impossible sensor calibration words", 0},
    {"czeka", "waiting", 0},
    {"pobieranie", "downloading", 0},
    {"gotowe, odłącz", "done, unplug", 0},
    {"błąd", "failed", 0},
    {"Pobieranie przerwane", "Download cancelled", 0},
    {"Transmisja przerwana przed końcem lotu",
     "The transfer broke off before the end of the flight", 0},
    {"Nie zapisano w archiwum: ", "Not archived: ", 0},
    {"Plik w archiwum różni się od odebranych danych - nie wyzerowano",
     "The archived file differs from the data received - not zeroed", 0},
    {"Lot zapisany, zerowanie nieudane", "Flight kept, reset failed", 0},
    {"Wysokościomierz nie odpowiada", "The altimeter does not answer", 0},
    {"Zawody", "Contest", 0},
    {"Nowe zawody", "New contest", 0},
    {"Nazwa", "Name", 0},
    {"Data", "Date", 0},
    {"Podłączone wysokościomierze", "Connected altimeters", 0},
    {"Loty zawodów", "Contest flights", 0},
    {"Klasyfikacja", "Standings", 0},
    {"Dodaj loty", "Add flights", 0},
    {"Usuń lot", "Remove flight", 0},
    {"Eksport CSV", "Export CSV", 0},
    {"Eksport PDF", "Export PDF", 0},
    {"Zerowanie po bezpiecznym odczycie", "Reset after a safe download", 0},
    {"Każdy wysokościomierz zostanie wyzerowany po zapisaniu i sprawdzeniu lotu. Włączyć?",
     "Every altimeter will be reset once its flight is kept and checked. Switch on?", 0},
    {"Brak otwartych zawodów", "No contest open", 0},
    {"Zawody", "Contest", 0},
    {"Nie znaleziono wysokościomierza?", "Recorder not found?", 0},
    {"Miejsce", "Rank", 0},
    {"Zawodnik", "Competitor", 0},
    {"Loty", "Flights", 0},
    {"Najlepsze maksimum [m]", "Best maximum [m]", 0},
    {"Maksima lotów [m]", "Flight maxima [m]", 0},
}};

template <typename Key, std::size_t N>
const TextPair& lookup(const std::array<TextPair, N>& table, Key key) {
    const auto index = static_cast<std::size_t>(key);
    return table.at(index);
}

std::string_view pick(const TextPair& pair, Language language) {
    return languageIndex(language) == kPolish ? pair.polish : pair.english;
}

} // namespace

const TextPair& captionPair(Caption key) { return lookup(kCaptions, key); }
const TextPair& messagePair(Message key) { return lookup(kMessages, key); }

std::string_view captionText(Caption key, Language language) {
    return pick(captionPair(key), language);
}

std::string_view messageText(Message key, Language language) {
    return pick(messagePair(key), language);
}

} // namespace kestrom
