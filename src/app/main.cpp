#include "app/AppErrors.h"
#include "app/MainForm.h"
#include "platform/AccurateRipDb.h"

int main(int argc, char** argv) {
  TTrackwellApplication app(argc, argv);
  QApplication::setApplicationName("Trackwell");
  // Ripped tracks are checked against the AccurateRip database (tests leave
  // it off or point it at a local server).
  SetAccurateRipBaseUrl(kAccurateRipServerUrl);
  TMainForm window;
  window.show();
  return app.exec();
}
