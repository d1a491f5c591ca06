#pragma once
// The main window's bilingual texts: caption pairs and message pairs, Polish first.
// Every lookup takes the language at the moment the text is shown; nothing caches a text.

#include <string_view>

namespace kestrom {

// 0 Polish, 1 English. Any other stored value is brought into range by languageIndex().
using Language = int;
inline constexpr Language kPolish = 0;
inline constexpr Language kEnglish = 1;

// A stored language other than 0 counts as English everywhere (menu marks and texts agree).
constexpr Language languageIndex(int stored) { return stored == 0 ? kPolish : kEnglish; }

enum class Caption {
    Reset,
    ReadDevice,
    Altitude,
    SendSettings,
    DiskGroup,
    Save,
    Load,
    ReadingData,
    Setup,
    CompetitorNo,
    SerialNo,
    Compare,
    Charts,
    Acceleration,
    Device,
    WindowTitle,
    Sampling,
    Temperature,
    File,
    PrinterSetup,
    Print,
    SavePicture,
    Export,
    ReadFrom,
    CancelTransfer, // the button that stops a download
};

enum class Message {
    ResetConfirm,
    ResetConfirmCaption,
    PortError,
    CommError,
    ProblemCaption,
    ResetDone,
    ResetError,
    ResetDoneCaption,
    NoData,
    NoNewFlight,
    NoFlight,
    FileExists,
    SaveCaption,
    WrongTemperature,
    SetupFailed,
    SetupCaption,
    // Texts of the settings dialog's send sequence and of mended faults; same two-language form.
    SetupOk,
    SelectionMissing,
    FileTooShort,
    // A settings number above its limit (settings dialog and device Save).
    ValueTooLarge,
    // A settings number field left empty (settings dialog).
    FieldEmpty,
    // A print that could not start or finish (the printer stays usable).
    PrintFailed,
    // Help: no user guide found, or the one found could not be opened.
    HelpNotFound,
    HelpNotOpened,
    // The configuration file could not be read at start-up (window; kept unchanged at close).
    ConfigNotRead,
    // A loaded or compared file whose calibration words no sensor stores (window and kestrom-cli).
    NotAFlight,
    // The contest station: a recorder's state and why its download failed.
    StationWaiting,
    StationDownloading,
    StationDone,
    StationFailed,
    StationCancelled,
    StationBrokenOff,
    StationNotArchived,
    StationReadBackDiffers,
    StationZeroFailed,
    StationNoRecorder,
    // The contest window.
    ContestWindowTitle,
    ContestNew,
    ContestName,
    ContestDate,
    ContestRecorders,
    ContestFlights,
    ContestStandings,
    ContestAddFlights,
    ContestRemoveFlight,
    ContestExportCsv,
    ContestExportPdf,
    ContestZeroAfter,
    ContestZeroAfterConfirm,
    ContestNoneOpen,
    ContestMenu,
    RecorderNotFound,
    // Column heads of the standings (window and printed page).
    StandingsRank,
    StandingsCompetitor,
    StandingsFlights,
    StandingsBest,
    StandingsMaxima,
};

struct TextPair {
    std::string_view polish;
    std::string_view english;
    int stride; // fixed field width of the original table: a text holds at most stride - 1 chars
};

// The caption of the main window's table in the given language (UTF-8).
std::string_view captionText(Caption key, Language language);
// The message text in the given language (UTF-8).
std::string_view messageText(Message key, Language language);

// Both languages of an entry, for checks and for tables that show them side by side.
const TextPair& captionPair(Caption key);
const TextPair& messagePair(Message key);

} // namespace kestrom
