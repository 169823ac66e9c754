#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QtGlobal>

void ExpectMainThread(const char* where) {
  const QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() != app->thread())
    qFatal("%s called off the main thread", where);
}
