#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QtGlobal>

void ExpectOwningThread(const QObject* object, const char* where) {
  if (object && QThread::currentThread() != object->thread())
    qFatal("%s called off the thread that owns the object", where);
}

void ExpectMainThread(const char* where) {
  const QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() != app->thread())
    qFatal("%s called off the main thread", where);
}
