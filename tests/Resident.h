#pragma once

#include <QFile>

// The process's resident memory in KiB, or -1.
inline qint64 residentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) {
    return -1;
  }
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) {
      return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
  }
  return -1;
}

// AddressSanitizer holds freed memory back in quarantine, so resident memory
// says nothing about leaks there (LeakSanitizer checks those instead).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kResidentMemoryMeansLeaks = false;
#else
inline constexpr bool kResidentMemoryMeansLeaks = true;
#endif
