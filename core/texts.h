#pragma once
// Every text the program shows, in every language it speaks: one table, a column per language
// (texts.cpp). Every lookup takes the language at the moment the text is shown; nothing caches a
// text. A new language is a new column, a new Language value and a new menu name below.
//
// The decimal sign follows one rule: a number the user reads (panels, Flights list, measuring
// bracket, printout and report pages) takes the separator of the user's regional settings,
// whatever the language; data files and kestrom-cli's text outputs write the separator their
// format names (the text export the regional one or --decimal, everything else '.').

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrom {

// The languages in the order of the table's columns and of the Language menu. The configuration
// stores the position: 0 Polish, 1 English.
enum class Language { Polish, English };
inline constexpr std::size_t kLanguageCount = 2;
inline constexpr std::array<Language, kLanguageCount> kLanguages{Language::Polish,
                                                                 Language::English};
inline constexpr Language kPolish = Language::Polish;
inline constexpr Language kEnglish = Language::English;

// The language a stored configuration value names. A value that names none counts as English,
// as every value other than 0 always has (menu marks and texts agree).
constexpr Language languageFromStored(std::int32_t stored) {
    return stored >= 0 && static_cast<std::size_t>(stored) < kLanguageCount
               ? static_cast<Language>(stored)
               : Language::English;
}
constexpr std::int32_t storedLanguage(Language language) {
    return static_cast<std::int32_t>(language);
}
constexpr std::size_t languageColumn(Language language) {
    return static_cast<std::size_t>(language);
}

// The key of every text. Captions are set on controls, messages fill message boxes; both live in
// the one table.
enum class Text {
    // Main window captions.
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
    // Messages and their box captions.
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
    // The button that stops a download.
    CancelTransfer,
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
    ContestWindowItem,
    ContestSocket,
    ContestState,
    // Column heads of the standings (window and printed page).
    StandingsRank,
    StandingsCompetitor,
    StandingsFlights,
    StandingsBest,
    StandingsMaxima,
    // The help file opened by bare name, and the user guide looked for beside the program.
    HelpFile,
    GuideFile,
    // Texts the design shows alike in every language.
    FilterButton,
    SetupDefault,
    ValuesMenu,
    PrintExportMenu,
    LanguageMenu,
    InfoMenu,
    HelpMenu,
    SecondsUnit,
    Wait,
    FilterWindowTitle,
    ChartTitle,
    ChartTitleRestored,
    SeriesAltitude,
    SeriesAcceleration,
    SeriesCompare,
    SeriesFilter,
    SeriesFilter1,
    SeriesFilter2,
    // The device settings dialog's own captions and its manual-zeroing list.
    DialogTitle,
    TriggerLevel,
    DialogTemperature,
    ManualZero,
    Delay,
    Seconds,
    Version,
    ZeroNo,
    ZeroYes,
    // The sampling list after the settings dialog's activation, by rate code.
    Rate0,
    Rate1,
    Rate2,
    Rate3,
    Rate4,
    Rate5,
    // The same list as designed, before the dialog was first shown.
    DesignRate0,
    DesignRate1,
    DesignRate2,
    DesignRate3,
    DesignRate4,
    DesignRate5,
    // The filter dialog.
    PreCut,
    Prefilter,
    FinalCut,
    FinalFilter,
    FilterSave,
    FilterDefault,
    // The Flights menu, the Flights window and its table.
    FlightsMenu,
    RecentMenu,
    NoRecentFiles,
    FlightsList,
    Archiving,
    NotArchived,
    ContestReport,
    NotOpened,
    FlightsTitle,
    FlightsLoad,
    FlightsCompare,
    ListTime,
    ListCompetitor,
    ListSerial,
    ListSampling,
    ListDuration,
    ListMaximum,
    ListMinimum,
    ListFile,
    // The report heading's label of the filtered extremes, and the measuring bracket.
    FilterLabel,
    MeanVerticalSpeed,
};
inline constexpr std::size_t kTextCount = static_cast<std::size_t>(Text::MeanVerticalSpeed) + 1;

// The roles a text plays; one key space, so a text can be found whichever way it is used.
using Caption = Text;
using Message = Text;

// The text in the given language (UTF-8).
std::string_view text(Text key, Language language);
// The language's entry in the Language menu, in its own tongue.
std::string_view languageMenuName(Language language);
inline std::string_view captionText(Text key, Language language) { return text(key, language); }
inline std::string_view messageText(Text key, Language language) { return text(key, language); }

// A number written with `decimals` digits after `separator`, for the user to read; a negative
// value that rounds to zero loses its sign ("-0.0" would read as a sink where there is none).
std::string decimalText(double value, int decimals, char separator);

} // namespace kestrom
