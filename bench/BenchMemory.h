#pragma once

#include <QFile>

// A field of /proc/self/status in KiB ("VmRSS:" now, "VmHWM:" at most so
// far), or -1.
inline qint64 statusKiB(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) {
    return -1;
  }
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field)) {
      return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
  }
  return -1;
}
