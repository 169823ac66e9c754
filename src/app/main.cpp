#include "app/AppErrors.h"
#include "app/MainForm.h"

int main(int argc, char** argv) {
  TTrackwellApplication app(argc, argv);
  QApplication::setApplicationName("Trackwell");
  TMainForm window;
  window.show();
  return app.exec();
}
