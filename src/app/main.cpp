#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Trackwell");
  QMainWindow window;
  window.setWindowTitle("Trackwell");
  window.resize(553, 460);
  window.show();
  return app.exec();
}
