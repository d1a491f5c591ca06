#pragma once
// The one way the program asks the user something: message boxes and file dialogs.
// The window gives a Qt implementation; tests give a fake that answers from a queue.

#include "core/texts.h"

#include <optional>
#include <string>

namespace kestrom {

enum class Buttons { Ok, OkCancel };
enum class Answer { Ok, Cancel };

// Which of the window's file dialogs is asked; each remembers the name chosen last in it.
enum class FileDialog { Save, Open, Picture, Report, Standings };

class Prompts {
public:
    virtual ~Prompts() = default;

    // A modal message box with no icon: text and caption are message entries, shown in the
    // language in force now. Only Answer::Ok lets a question's caller go on.
    virtual Answer showMessage(Message text, Message caption, Buttons buttons) = 0;

    // The toolkit's general error display: shows a text the program did not check for itself
    // (a file that cannot be opened or created, a number that does not convert).
    virtual void showError(const std::string& text) = 0;

    // Asks a file name; std::nullopt when cancelled. An empty name is returned as "".
    virtual std::optional<std::string> askFileName(FileDialog dialog) = 0;

    // The language every message is shown in.
    virtual Language language() const = 0;
};

} // namespace kestrom
