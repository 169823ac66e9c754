#pragma once

#include <QObject>

// Installed on a line edit, lets through only key presses of the digits 0
// to 9 and Backspace among those that type a character; keys that type
// nothing (arrows, Delete, Home) pass untouched.
class TDigitKeyFilter : public QObject {
  Q_OBJECT

 public:
  explicit TDigitKeyFilter(QObject* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
