#include "tags/DigitKeyFilter.h"

#include <QKeyEvent>

#include <algorithm>

TDigitKeyFilter::TDigitKeyFilter(QObject* parent) : QObject(parent) {}

bool TDigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (!text.isEmpty() && key->key() != Qt::Key_Backspace) {
      const bool digits =
          std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
      if (!digits) return true;  // dropped
    }
  }
  return QObject::eventFilter(watched, event);
}
