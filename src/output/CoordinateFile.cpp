#include "CoordinateFile.h"

#include "ShiftJis.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

QString unrepresentable(const QString& characters, const QString& where) {
  return u"Shift_JIS で書けない文字（%1）が含まれているため、%2 に書き込みませんでした。\n"
         u"コメントからその文字を除いてください。"_s.arg(characters, where);
}

QString reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return u"ディスクの空きがありません。"_s;
    case EACCES:
    case EPERM:
    case EROFS:
      return u"書き込みが許可されていません。"_s;
    case EISDIR:
      return u"同じ名前のフォルダーがあります。"_s;
    case ENOENT:
    case ENOTDIR:
      return u"フォルダーが見つかりません。"_s;
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return m_fd; }
  // Closing can report a write that failed late (on some file systems).
  int close() {
    const int result = ::close(m_fd);
    m_fd = -1;
    return result;
  }

 private:
  int m_fd;
};

// Another copy of Koordel may add records to the same file (a documents
// folder shared by two users): a write, and undo's look at the file's end
// followed by cutting it, hold the file to themselves while they run, so
// that neither can slip between the other's look and its change. The lock
// goes with the descriptor's close. A file system without locks gets the
// write unlocked rather than none.
int lockWhole(const Descriptor& fd) {
  while (::flock(fd.get(), LOCK_EX) != 0) {
    if (errno == EINTR) {
      continue;
    }
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL ? 0 : errno;
  }
  return 0;
}

// Writes all of `bytes` at the end and closes the file, or takes back what
// was written (half a line would merge with the next record) and gives the
// error; `before` is the file as it was opened.
int writeWhole(Descriptor& fd, const QByteArray& bytes, const struct stat& before) {
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t n =
        ::write(fd.get(), bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      if (written > 0 && S_ISREG(before.st_mode)) {
        [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), before.st_size);
      }
      return error;
    }
    written += n;
  }
  return fd.close() != 0 ? errno : 0;
}

// Records can be added in a folder that takes new files, or to a file in it
// that can be written.
bool writableHere(const QString& folder) {
  return ::access(QFile::encodeName(folder).constData(), W_OK) == 0 ||
         ::access(QFile::encodeName(QDir(folder).filePath(CoordinateFile::fileName())).constData(),
                  W_OK) == 0;
}

}  // namespace

QString CoordinateFile::folder() const {
  if (m_fallback.isEmpty()) {
    return m_folder;
  }
  const bool writable = m_writable ? m_writable(m_folder) : writableHere(m_folder);
  return writable ? m_folder : m_fallback;
}

QString CoordinateFile::path() const {
  return QDir(folder()).filePath(fileName());
}

std::optional<QString> CoordinateFile::append(const QString& line) const {
  return append(line, nullptr);
}

std::optional<QString> CoordinateFile::refuses(const QString& line) const {
  const QString missing = unrepresentableInShiftJis(line);
  if (missing.isEmpty()) {
    return std::nullopt;
  }
  return unrepresentable(missing, QDir::toNativeSeparators(path()));
}

std::optional<QString> CoordinateFile::refuses(const Record& record) const {
  // The separators are ASCII: the record's text form misses what its fields
  // miss. Most fields are digits, passed over at a glance.
  QString missing;
  for (const RecordField& field : record.fields()) {
    char16_t seen = 0;
    for (const QChar c : field.text) {
      seen |= c.unicode();
    }
    if (seen < 0x80) {
      continue;
    }
    for (const char32_t c : unrepresentableInShiftJis(field.text).toUcs4()) {
      const QString one = QString::fromUcs4(&c, 1);
      if (!missing.contains(one)) {
        missing += one;
      }
    }
  }
  if (missing.isEmpty()) {
    return std::nullopt;
  }
  return unrepresentable(missing, QDir::toNativeSeparators(path()));
}

std::optional<QString> CoordinateFile::append(const QString& line, Appended* appended) const {
  ShiftJisText encoded = toShiftJis(line);
  if (!encoded.bytes) {
    return unrepresentable(encoded.unrepresentable, QDir::toNativeSeparators(path()));
  }
  return appendBytes(std::move(*encoded.bytes), appended);
}

std::optional<QString> CoordinateFile::append(const Record& record, Appended* appended) const {
  const QList<RecordField>& fields = record.fields();
  ShiftJisWriter writer;
  qsizetype size = fields.size() + 2;
  for (const RecordField& field : fields) {
    size += field.text.size();
  }
  writer.reserve(size);
  for (const RecordField& field : fields) {
    if (&field != &fields.front()) {
      writer.addAscii(',');
    }
    if (!writer.add(field.text)) {
      // Without a converter even digits fail: never told as written.
      return refuses(record).value_or(unrepresentable(QString(), QDir::toNativeSeparators(path())));
    }
  }
  return appendBytes(writer.take(), appended);
}

std::optional<QString> CoordinateFile::appendBytes(QByteArray bytes, Appended* appended) const {
  const QString folderNow = folder();
  const bool elsewhere = folderNow != m_folder;
  const QString file = QDir(folderNow).filePath(fileName());
  const QString where = QDir::toNativeSeparators(file);
  bytes.append("\r\n");
  const auto failed = [&](int error) {
    return u"%1 に書き込めませんでした。\n%2"_s.arg(where, reason(error));
  };
  if (elsewhere && !QDir().mkpath(folderNow)) {
    return u"%1 に書き込めませんでした。\nフォルダーを作れません。"_s.arg(where);
  }

  Descriptor fd(
      ::open(QFile::encodeName(file).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0) {
    return failed(errno);
  }
  if (const int error = lockWhole(fd)) {
    return failed(error);
  }
  struct stat before {};
  if (::fstat(fd.get(), &before) != 0) {
    return failed(errno);
  }
  if (const int error = writeWhole(fd, bytes, before)) {
    return failed(error);
  }
  if (appended) {
    *appended = {file, before.st_size, bytes};
  }
  if (elsewhere && !m_told && m_notice) {
    m_told = true;
    m_notice(
        u"プログラムのフォルダー（%1）には書き込めないため、座標は次のファイルに書き込みます。\n%2"_s
            .arg(QDir::toNativeSeparators(m_folder), where));
  }
  return std::nullopt;
}

CoordinateFile::Undone CoordinateFile::takeBack(const Appended& appended) {
  const QString where = QDir::toNativeSeparators(appended.path);
  Descriptor fd(::open(QFile::encodeName(appended.path).constData(), O_RDWR | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) {
      return {Outcome::Gone,
              u"%1 が見つかりません（移されたか消されたようです）。\n"
              u"記録は取り消せません。"_s.arg(where)};
    }
    return {Outcome::Failed, u"%1 を開けません。\n%2"_s.arg(where, reason(errno))};
  }
  if (const int error = lockWhole(fd)) {
    return {Outcome::Failed, u"%1 から記録を消せませんでした。\n%2"_s.arg(where, reason(error))};
  }
  struct stat now {};
  QByteArray tail(appended.bytes.size(), '\0');
  const qint64 end = appended.offset + appended.bytes.size();
  const bool same = ::fstat(fd.get(), &now) == 0 && now.st_size == end &&
                    ::pread(fd.get(), tail.data(), static_cast<size_t>(tail.size()),
                            appended.offset) == tail.size() &&
                    tail == appended.bytes;
  if (!same) {
    return {Outcome::Changed,
            u"%1 は、この記録を書き込んだ後に書き換えられています（編集されたか、ほかの記録が"
            u"加わりました）。\nファイルはそのままにし、取り消していません。"_s.arg(where)};
  }
  if (::ftruncate(fd.get(), appended.offset) != 0) {
    return {Outcome::Failed, u"%1 から記録を消せませんでした。\n%2"_s.arg(where, reason(errno))};
  }
  return {};
}

CoordinateFile::Undone CoordinateFile::appendAgain(const Appended& appended) {
  const QString where = QDir::toNativeSeparators(appended.path);
  const auto failed = [&](int error) {
    return Undone{Outcome::Failed, u"%1 に書き込めませんでした。\n%2"_s.arg(where, reason(error))};
  };
  Descriptor fd(::open(QFile::encodeName(appended.path).constData(),
                       O_WRONLY | O_APPEND | O_CLOEXEC | (appended.offset == 0 ? O_CREAT : 0),
                       0644));
  if (fd.get() < 0) {
    if (errno == ENOENT) {
      return {Outcome::Gone,
              u"%1 が見つかりません（移されたか消されたようです）。\n"
              u"記録をもう一度書き込めません。"_s.arg(where)};
    }
    return failed(errno);
  }
  if (const int error = lockWhole(fd)) {
    return failed(error);
  }
  struct stat before {};
  if (::fstat(fd.get(), &before) != 0) {
    return failed(errno);
  }
  if (before.st_size != appended.offset) {
    return {Outcome::Changed,
            u"%1 は、取り消した後に書き換えられています。\n"
            u"記録をもう一度書き込んでいません。"_s.arg(where)};
  }
  if (const int error = writeWhole(fd, appended.bytes, before)) {
    return failed(error);
  }
  return {};
}

}  // namespace koordel
