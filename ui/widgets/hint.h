#pragma once
// Widgets whose hint is their own text, shown after the application's hint
// pause, or nothing at all when it is empty.
#include <QEvent>
#include <QString>
#include <QWidget>

namespace soru {

// Handles a tool-tip event for a widget with the given hint; returns true
// when the event was a tool-tip request.
bool showOwnHint(QWidget* widget, QEvent* event, const QString& hint);

} // namespace soru
