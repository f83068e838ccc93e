#pragma once

#include "ColorDialog.h"

#include <QList>
#include <optional>

// Answers each colour choice with the next queued answer (nothing once the
// queue is empty, as a cancelled dialog would) and records who asked.
class FakeColorDialog final : public ColorDialog
{
public:
    std::optional<int> chooseColor(QWidget* parent) override
    {
        ++calls;
        lastParent = parent;
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }

    QList<std::optional<int>> answers;
    int calls = 0;
    QWidget* lastParent = nullptr;
};
