#pragma once

class QLabel;
class QString;
class QWidget;

// Names for assistive technology.
namespace orbisel::deepmining {

// Makes the label the field's buddy and names the field after it.
void setBuddy(QLabel *label, QWidget *field);
// Qt's own buttons inside a widget (a line edit's clear button, a table's select-all corner)
// come without a name.
void nameUnnamedButtons(QWidget *widget, const QString &name);

} // namespace orbisel::deepmining
