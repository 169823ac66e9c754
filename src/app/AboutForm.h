#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// "About Trackwell": name, version and build, owner and support lines, and
// a link to the product's home page. Main thread only.
class TfrmAbout final : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QLabel* lblName = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblOwner = nullptr;
  QLabel* lblContact = nullptr;
  QLabel* lblHomePage = nullptr;
  QPushButton* btnOK = nullptr;
};

// The version line: "Version: ", the version number and the build number.
QString AboutVersionText();

void ShowAbout(QWidget* owner);
