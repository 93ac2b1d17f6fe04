#include "ShapeTool.h"

#include "Conversion.h"

#include "CaptureHistory.h"
#include "DrawingSurface.h"
#include "LineStyle.h"
#include "NumberText.h"
#include "RecordSink.h"
#include "Selections.h"
#include "ValueSheet.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {

std::optional<QString> ShapeTool::run() {
  const LineStyle& style = m_context.style;
  if (!style.drawWidth()) {
    return u"線の太さ「%1」では描けません。\n"
           u"線種設定の「線の太さ」に 1 から 32767 までの数を入れてください。"_s.arg(
               style.widthText);
  }
  const bool sending = isSending(m_context.selections.destination);
  const Plan p = plan(sending);
  if (!p.error.isEmpty()) {
    return p.error;
  }
  if (sending && p.record) {
    // What the destination can tell beforehand (a comment 座標.txt cannot
    // hold) is told before anything is drawn.
    if (auto refusal = m_context.sink.refuses(*p.record)) {
      return refusal;
    }
  }
  if (fills()) {
    style.applyFull(m_context.surface);
  } else {
    style.applyLineForm(m_context.surface);
  }
  m_context.surface.beginRecording();
  p.draw(m_context.surface, style.lineColour);
  std::unique_ptr<DrawnShape> drawn = m_context.surface.endRecording();
  Sent sent;
  if (sending && p.record) {
    sent = m_context.sink.send(*p.record);
    if (sent.problem) {
      // No shape on the picture without its record: it comes off again.
      if (drawn) {
        drawn->undo();
      }
      return sent.problem;
    }
  }
  if (CaptureHistory* history = m_context.history) {
    const QString keyword = p.record ? p.record->fields().at(0).text : QString();
    history->push({stepLabel(keyword), std::move(drawn), std::move(sent.delivery)});
  }
  if (m_context.captured) {
    m_context.captured();
  }
  return std::nullopt;
}

QString ShapeTool::stepLabel(const QString& keyword) const {
  const QString& where = m_context.selections.destination;
  const QString shape = keyword.isEmpty() ? m_context.selections.captureShape : keyword;
  if (where == destination::kClipboard) {
    return shape + u" (クリップ)"_s;
  }
  if (where == destination::kFile) {
    return shape + u" (ﾌｧｲﾙ)"_s;
  }
  if (where == destination::kSpreadsheet) {
    return shape + u" (エクセル)"_s;
  }
  return shape;
}

std::optional<double> ShapeTool::number(Field field, const QString& purpose, QString& error) const {
  const QString& text = m_context.sheet.text(field);
  const std::optional<double> value = strictParse(text);
  if (!value) {
    error = u"%1「%2」が数値ではないため、%3。\n設定の値を確かめてください。"_s.arg(
        fieldName(field), text, purpose);
  }
  return value;
}

std::optional<ShapeTool::Ends> ShapeTool::ends(const QString& purpose, QString& error) const {
  std::optional<double> xd, yd, xu, yu;
  if (!(xd = number(Field::down座標x, purpose, error)) ||
      !(yd = number(Field::down座標y, purpose, error)) ||
      !(xu = number(Field::up座標x, purpose, error)) ||
      !(yu = number(Field::up座標y, purpose, error))) {
    return std::nullopt;
  }
  return Ends{*xd, *yd, *xu, *yu};
}

ShapeTool::Ends ShapeTool::straightened(const Ends& e) const {
  // Turned about the corner, not the reference point: only the difference of
  // the ends is measured, and a reference far off (1E20, from a settings
  // file) would take every digit of it.
  const QPointF down = straightenedAboutCorner(context().sheet, {e.xd, e.yd});
  const QPointF up = straightenedAboutCorner(context().sheet, {e.xu, e.yu});
  return {down.x(), down.y(), up.x(), up.y()};
}

std::optional<std::pair<double, double>> ShapeTool::coefficients(const QString& purpose,
                                                                 QString& error) const {
  std::optional<double> kx, ky;
  if (!(kx = number(Field::x軸係数, purpose, error)) ||
      !(ky = number(Field::Y軸係数, purpose, error))) {
    return std::nullopt;
  }
  return std::pair{*kx, *ky};
}

bool ShapeTool::withinReach(std::initializer_list<double> twips, const QString& purpose,
                            QString& error) {
  for (double t : twips) {
    if (!(std::abs(t) <= DrawingSurface::kReachTwips)) {
      error =
          u"%1。座標が描ける範囲（画像の左上から縦横とも約 10 億ピクセル以内）を超えています。\n"
          u"図形は描かず、記録も送っていません。設定の座標の値を確かめてください。"_s.arg(purpose);
      return false;
    }
  }
  return true;
}

std::optional<double> ShapeTool::hundredths(double value, QString& error) {
  if (!std::isfinite(value)) {
    error =
        u"計算結果が数値の範囲を超えました（オーバーフロー）。\n"
        u"設定の軸係数を確かめてください。"_s;
    return std::nullopt;
  }
  return roundToHundredths(value);
}

Record ShapeTool::newRecord(const QString& keyword) const {
  return Record(keyword, m_context.comment ? m_context.comment() : QString());
}

}  // namespace koordel
