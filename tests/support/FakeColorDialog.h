#pragma once

#include "shell/ColorDialog.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

// Answers each colour choice with the next queued answer (nothing once the
// queue is empty, as a cancelled dialog would) and records who asked. The
// answer comes from the event loop, as the real dialog's does, and not at
// all when the asking window is gone by then.
class FakeColorDialog final : public ColorDialog
{
public:
    void chooseColor(QWidget* parent, Answer answer) override
    {
        ++calls;
        lastParent = parent;
        const std::optional<int> next = answers.isEmpty() ? std::nullopt : answers.takeFirst();
        QTimer::singleShot(0, parent, [answer = std::move(answer), next] { answer(next); });
    }

    QList<std::optional<int>> answers;
    int calls = 0;
    QPointer<QWidget> lastParent;
};
