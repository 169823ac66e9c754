#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <stdexcept>

class QWidget;

// An error a command raises for the user to read; its message is shown as is.
class EAppError : public std::runtime_error {
 public:
  explicit EAppError(const QString& message);
  QString Message() const;
};

// The application's default error handler: shows the error's message in an
// error box through the dialog seam. Main thread only.
void ShowApplicationError(QWidget* parent, const std::exception& error);

// Runs a command handler; an exception that escapes it goes to the default
// error handler instead of ending the program.
void RunGuarded(QWidget* parent, const std::function<void()>& handler);

// The program's QApplication: an exception that escapes an event handler is
// shown by the default error handler and the program goes on.
class TTrackwellApplication final : public QApplication {
 public:
  TTrackwellApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
