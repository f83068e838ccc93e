#pragma once

#include <optional>

class QWidget;

// A modal colour choice. Colours are 0x00BBGGRR values, red in the low byte.
class ColorDialog
{
public:
    virtual ~ColorDialog() = default;

    // The chosen colour, or nothing when the user made no choice.
    virtual std::optional<int> chooseColor(QWidget* parent) = 0;
};
