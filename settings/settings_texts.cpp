#include "settings/settings_texts.h"

#include <array>
#include <cstddef>

namespace kestrom::settings {
namespace {

// The table's key of each dialog caption, in the order of DialogCaption.
constexpr std::array<Text, kDialogCaptionCount> kDialogCaptions{
    Text::DialogTitle, Text::TriggerLevel, Text::DialogTemperature, Text::Sampling,
    Text::ManualZero,  Text::CompetitorNo, Text::SerialNo,          Text::Delay,
    Text::Seconds,     Text::SendSettings, Text::Version,
};

constexpr std::array<Text, kZeroItemCount> kZeroItems{Text::ZeroNo, Text::ZeroYes};

} // namespace

std::string_view dialogCaption(DialogCaption key, Language language) {
    return text(kDialogCaptions.at(static_cast<std::size_t>(key)), language);
}

std::string_view zeroItemText(int index, Language language) {
    return text(kZeroItems.at(static_cast<std::size_t>(index)), language);
}

} // namespace kestrom::settings

namespace kestrom {
namespace {

constexpr std::array<Text, kRateCodes> kActivated{Text::Rate0, Text::Rate1, Text::Rate2,
                                                  Text::Rate3, Text::Rate4, Text::Rate5};
constexpr std::array<Text, kRateCodes> kDesign{Text::DesignRate0, Text::DesignRate1,
                                               Text::DesignRate2, Text::DesignRate3,
                                               Text::DesignRate4, Text::DesignRate5};

} // namespace

std::string_view samplingText(unsigned code, SamplingList list) {
    if (code >= kRateCodes) {
        return {};
    }
    // The design items read alike in every language; Polish stands for them.
    return list.activatedIn ? text(kActivated[code], *list.activatedIn)
                            : text(kDesign[code], Language::Polish);
}

} // namespace kestrom
