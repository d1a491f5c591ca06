#pragma once
// The contest window's dialogs as the user sees them: name and date of a new contest, the
// measurement files to add, and a longer text to read.

#include "ui/contest_window.h"

namespace kestrom::ui {

class QtContestDialogs : public ContestDialogs {
public:
    std::optional<ContestNaming> askNewContest(Language language) override;
    std::vector<std::string> askFlightFiles(Language language,
                                            const std::filesystem::path& folder) override;
    void showText(const QString& title, const QString& text) override;
};

} // namespace kestrom::ui
