#pragma once

#include "ColorDialog.h"

// The colour choice on QColorDialog, window-modal over its parent, with its
// own starting colour and options. Cancelling gives nothing, so black (0)
// is a choice like any other. No nested event loop runs while it is open.
class QtColorDialog final : public ColorDialog
{
public:
    void chooseColor(QWidget* parent, Answer answer) override;
};
