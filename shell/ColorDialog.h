#pragma once

#include <functional>
#include <optional>

class QWidget;

// A modal colour choice. Colours are 0x00BBGGRR values, red in the low byte.
class ColorDialog
{
public:
    using Answer = std::function<void(std::optional<int>)>;

    virtual ~ColorDialog() = default;

    // Opens the choice over `parent` and returns at once. `answer` gets the
    // chosen colour, or nothing when the user made no choice, from the
    // event loop once the dialog is done. The dialog belongs to `parent`:
    // when `parent` goes first the dialog goes with it and `answer` is
    // never called.
    virtual void chooseColor(QWidget* parent, Answer answer) = 0;
};
