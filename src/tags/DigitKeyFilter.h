#pragma once

#include <QObject>

// Installed on a line edit, drops every key press that would type a
// visible character other than the digits 0 to 9. Backspace, Delete, the
// arrows and the dialog's keys (Tab, Escape, Enter) pass untouched.
class TDigitKeyFilter : public QObject {
  Q_OBJECT

 public:
  explicit TDigitKeyFilter(QObject* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
