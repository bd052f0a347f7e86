#include "deepmining/AccessibleNames.h"

#include <QAbstractButton>
#include <QLabel>

namespace orbisel::deepmining {

void setBuddy(QLabel *label, QWidget *field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text().remove('&').remove(QChar(0xFF1A)).remove(':'));
}

void nameUnnamedButtons(QWidget *widget, const QString &name) {
    for (QAbstractButton *button : widget->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly))
        if (button->text().isEmpty() && button->accessibleName().isEmpty())
            button->setAccessibleName(name);
}

} // namespace orbisel::deepmining
