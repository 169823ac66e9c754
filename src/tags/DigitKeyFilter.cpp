#include "tags/DigitKeyFilter.h"

#include <QKeyEvent>

#include <algorithm>

TDigitKeyFilter::TDigitKeyFilter(QObject* parent) : QObject(parent) {}

bool TDigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    // Only keys that type a visible character are judged; Tab, Escape and
    // Enter keep working for the dialog, and a pasted text is left to the
    // field's validator.
    const QString text = static_cast<QKeyEvent*>(event)->text();
    const bool typesText =
        std::any_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
    const bool digits =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (typesText && !digits) return true;  // dropped
  }
  return QObject::eventFilter(watched, event);
}
