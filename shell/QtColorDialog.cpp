#include "QtColorDialog.h"

#include "SystemColors.h"

#include <QColorDialog>

void QtColorDialog::chooseColor(QWidget* parent, Answer answer)
{
    // Owned by its parent alone and deleted when closed: quitting with the
    // dialog open deletes it once, with the parent, and nothing waits on a
    // stack for it to return.
    auto* dialog = new QColorDialog(QColor(Qt::white), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, answer = std::move(answer)](int result) {
        if (result == QDialog::Accepted && dialog->selectedColor().isValid())
            answer(SystemColors::fromColor(dialog->selectedColor()));
        else
            answer(std::nullopt);
    });
    dialog->open();
}
