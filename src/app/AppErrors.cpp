#include "app/AppErrors.h"

#include "platform/Dialogs.h"

#include <QWidget>

EAppError::EAppError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EAppError::Message() const { return QString::fromStdString(what()); }

void ShowApplicationError(QWidget* parent, const std::exception& error) {
  ShowMessage(parent, QString::fromUtf8(error.what()), TMsgIcon::Error);
}

void RunGuarded(QWidget* parent, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowApplicationError(parent, error);
  }
}

TTrackwellApplication::TTrackwellApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TTrackwellApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowApplicationError(activeWindow(), error);
  } catch (...) {
    ShowMessage(activeWindow(), "Unknown error", TMsgIcon::Error);
  }
  return false;
}
