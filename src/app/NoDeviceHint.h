#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

// The hint shown at start-up when no CD drive could be opened: what may be
// wrong, with links to the ASPI driver downloads. Main thread only.
class TfrmNoDeviceHint final : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmNoDeviceHint(QWidget* parent = nullptr);

  // Every text line in order; a link line shows its text.
  QStringList Lines() const;

  QLabel* lblForceAspi = nullptr;  // link "ForceASPI 1.8"
  QLabel* lblAdaptec = nullptr;    // link to the ASPI driver maker
  QPushButton* btnClose = nullptr;

 private:
  QStringList lines_;
};

void ShowNoDeviceHint(QWidget* owner);
