#pragma once

#include <QChar>
#include <QString>

class QWidget;

namespace ryvo::monkey {

// Controls a user works: buttons, boxes, lists and tables, edits, sliders, tabs.
bool Interactive(const QWidget* w);
// Controls text can be typed into.
bool Editable(const QWidget* w);
// Inside an item view (its viewport and editors): the view itself is what gets picked.
bool InsideItemView(const QWidget* w, const QWidget* root);
// "QPushButton 'Exit' "&Выход"", for the list of actions.
QString Describe(const QWidget* w);
// The class of a window without the namespace; every message box is "QMessageBox".
QString WindowName(const QWidget* w);
// A typed character as a keyboard sends it: the key and its text.
void SendChar(QWidget* w, QChar ch);

} // namespace ryvo::monkey
