#include "SettingsFile.h"

#include "Calibration.h"
#include "NumberText.h"
#include "ShiftJis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel::settings {
namespace {

// More than any settings file holds; a large file chosen by mistake is read
// no further than this.
constexpr qint64 kReadLimit = 16 * 1024 * 1024;

bool needsQuotes(const QString& text) {
  return text.contains(u',') || text.contains(u'"') || text.contains(u'\r') ||
         text.contains(u'\n') || text.startsWith(u' ') || text.startsWith(u'\t');
}

QString quoted(const QString& text) {
  if (!needsQuotes(text)) {
    return text;
  }
  QString inner = text;
  inner.replace(u"\""_s, u"\"\""_s);
  return u'"' + inner + u'"';
}

QString where(const QString& path) {
  return QDir::toNativeSeparators(path);
}

// Fields of the file as bytes: the separators ",", '"', CR, LF and blank are
// all below 0x40, where no second byte of a Shift_JIS character lies, so
// the bytes can be split before they are decoded.
class FieldReader {
 public:
  explicit FieldReader(const QByteArray& bytes) : m_bytes(bytes) {}

  // The next field's bytes, or no value when the file holds no more fields.
  std::optional<QByteArray> next() {
    qsizetype p = m_pos;
    while (p < m_bytes.size() && (m_bytes[p] == ' ' || m_bytes[p] == '\t')) {
      ++p;
    }
    if (p >= m_bytes.size() && !m_afterComma) {
      return std::nullopt;
    }
    QByteArray field;
    if (p < m_bytes.size() && m_bytes[p] == '"') {
      ++p;
      for (; p < m_bytes.size(); ++p) {
        if (m_bytes[p] == '"') {
          if (p + 1 < m_bytes.size() && m_bytes[p + 1] == '"') {
            field += '"';
            ++p;
            continue;
          }
          ++p;
          break;
        }
        field += m_bytes[p];
      }
      // Anything between the closing quote and the separator is not read.
      while (p < m_bytes.size() && !isSeparator(m_bytes[p])) {
        ++p;
      }
    } else {
      const qsizetype start = p;
      while (p < m_bytes.size() && !isSeparator(m_bytes[p])) {
        ++p;
      }
      field = m_bytes.mid(start, p - start);
    }
    m_afterComma = p < m_bytes.size() && m_bytes[p] == ',';
    m_lineEnded = p < m_bytes.size() && !m_afterComma;
    if (p < m_bytes.size()) {
      // A line end counts as one separator, whether CR LF, LF or CR.
      if (m_bytes[p] == '\r' && p + 1 < m_bytes.size() && m_bytes[p + 1] == '\n') {
        ++p;
      }
      ++p;
    }
    m_pos = p;
    return field;
  }

  // The line after the one the last field ended on, without its line end,
  // or no value when the file ends first.
  std::optional<QByteArray> nextLine() {
    qsizetype p = m_pos;
    const auto isLineEnd = [this](qsizetype at) {
      return m_bytes[at] == '\r' || m_bytes[at] == '\n';
    };
    if (!m_lineEnded) {
      while (p < m_bytes.size() && !isLineEnd(p)) {
        ++p;
      }
      if (p < m_bytes.size() && m_bytes[p] == '\r' && p + 1 < m_bytes.size() &&
          m_bytes[p + 1] == '\n') {
        ++p;
      }
      ++p;
    }
    if (p >= m_bytes.size()) {
      return std::nullopt;
    }
    const qsizetype start = p;
    while (p < m_bytes.size() && !isLineEnd(p)) {
      ++p;
    }
    return m_bytes.mid(start, p - start);
  }

 private:
  static bool isSeparator(char c) { return c == ',' || c == '\r' || c == '\n'; }

  const QByteArray& m_bytes;
  qsizetype m_pos = 0;
  bool m_afterComma = false;
  bool m_lineEnded = false;  // the last field ended at a line end
};

// The tilt line's number, in degrees; no value when the line is not one.
std::optional<double> tiltOf(const QByteArray& line) {
  const std::optional<QString> text = fromShiftJis(line);
  if (!text) {
    return std::nullopt;
  }
  if (text->trimmed().isEmpty()) {
    return 0;  // a blank line after the two: no tilt
  }
  return strictParse(*text);
}

}  // namespace

QString fileNameFor(const QString& chosen) {
  return chosen + u".set"_s;
}

std::optional<QString> replaceQuestion(const QString& path) {
  const QFileInfo info(path);
  // A folder of that name is not replaced: the save fails and says so.
  if (!info.exists() || info.isDir()) {
    return std::nullopt;
  }
  return u"設定ファイル %1 はすでにあります。\n置き換えますか？"_s.arg(where(path));
}

std::optional<QByteArray> write(const ValueSheet& sheet, QString* unrepresentable) {
  QString text;
  for (Axis axis : {Axis::X, Axis::Y}) {
    QStringList line;
    for (int row = 0; row < kRowCount; ++row) {
      line << quoted(sheet.text(fieldAt(row, axis)));
    }
    text += line.join(u',') + u"\r\n"_s;
  }
  if (sheet.tilt() != 0) {
    text += plainNumberText(sheet.tilt()) + u"\r\n"_s;
  }
  ShiftJisText encoded = toShiftJis(text);
  if (unrepresentable) {
    *unrepresentable = encoded.unrepresentable;
  }
  return encoded.bytes;
}

ReadResult read(const QByteArray& bytes) {
  ReadResult result;
  FieldReader reader(bytes);
  for (int i = 0; i < kFieldCount; ++i) {
    const std::optional<QByteArray> field = reader.next();
    if (!field) {
      result.error = u"設定ファイルの値が足りません（24 個のうち %1 個しかありません）。"_s.arg(i);
      return result;
    }
    const std::optional<QString> text = fromShiftJis(*field);
    if (!text) {
      result.error =
          u"設定ファイルの %1 番目の値が Shift_JIS の文字として読めません。\n"
          u"設定ファイルではないのかもしれません。"_s.arg(i + 1);
      return result;
    }
    const std::optional<double> number = strictParse(*text);
    result.values[static_cast<std::size_t>(i)] = number ? plainNumberText(*number) : *text;
  }
  if (const std::optional<QByteArray> line = reader.nextLine()) {
    const std::optional<double> tilt = tiltOf(*line);
    if (!tilt) {
      result.error =
          u"設定ファイルの 24 個の値の次の行（傾き）が数値ではありません。\n"
          u"この行には傾き補正の角度（度）だけを書きます。"_s;
      return result;
    }
    if (!(std::abs(*tilt) <= tilt::kMostDegrees)) {
      result.error =
          u"設定ファイルの傾き %1° は補正できる範囲（-%2° から %2°）を超えています。"_s.arg(
              plainNumberText(*tilt), plainNumberText(tilt::kMostDegrees));
      return result;
    }
    result.tilt = *tilt;
  }
  return result;
}

std::optional<QString> save(const ValueSheet& sheet, const QString& path) {
  QString missing;
  const std::optional<QByteArray> bytes = write(sheet, &missing);
  if (!bytes) {
    return u"Shift_JIS で書けない文字（%1）が含まれているため、%2 に保存しませんでした。\n"
           u"設定の単位からその文字を除いてください。"_s.arg(missing, where(path));
  }
  QSaveFile file(path);
  const QString failed = u"設定ファイル %1 を保存できませんでした。\n"_s.arg(where(path));
  // Unbuffered, so that a write the disk cuts short shows as short here:
  // buffered, Qt lets such a file be committed in place of the old one.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return failed + file.errorString();
  }
  if (file.write(*bytes) != bytes->size()) {
    file.cancelWriting();
    return failed + u"書き込みが途中で止まりました（ディスクの空きがないのかもしれません）。"_s;
  }
  if (!file.commit()) {
    return failed + file.errorString();
  }
  return std::nullopt;
}

std::optional<QString> load(ValueSheet& sheet, const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return u"設定ファイル %1 が見つかりません。"_s.arg(where(path));
  }
  if (info.isDir()) {
    return u"%1 はフォルダーです。設定ファイルを選んでください。"_s.arg(where(path));
  }
  QByteArray bytes;
  {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      return u"設定ファイル %1 を開けません。\n%2"_s.arg(where(path), file.errorString());
    }
    bytes = file.read(kReadLimit);
  }
  const ReadResult result = read(bytes);
  if (!result.error.isEmpty()) {
    return result.error + u"\n"_s + where(path);
  }
  for (int i = 0; i < kFieldCount; ++i) {
    sheet.setText(static_cast<Field>(i), result.values[static_cast<std::size_t>(i)]);
  }
  sheet.setTilt(result.tilt);
  return std::nullopt;
}

}  // namespace koordel::settings
