#include "QtColorDialog.h"

#include "SystemColors.h"

#include <QColorDialog>

std::optional<int> QtColorDialog::chooseColor(QWidget* parent)
{
    const QColor chosen = QColorDialog::getColor(QColor(Qt::white), parent);
    // getColor answers an invalid colour when the dialog was cancelled.
    if (!chosen.isValid())
        return std::nullopt;
    return SystemColors::fromColor(chosen);
}
