#pragma once

#include "ColorDialog.h"

// The colour choice on QColorDialog, shown modally with its own starting
// colour and options. Cancelling gives nothing, so black (0) is a choice
// like any other.
class QtColorDialog final : public ColorDialog
{
public:
    std::optional<int> chooseColor(QWidget* parent) override;
};
