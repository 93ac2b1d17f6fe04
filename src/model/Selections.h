#pragma once

#include <QString>

#include <optional>

namespace koordel {

// Capture shapes, as chosen in the 取込 menu and written as the first field of
// every record.
namespace shape {
inline const QString kNone;
inline const QString kPoint = QStringLiteral("点");
inline const QString kLine = QStringLiteral("線");
inline const QString kCircle = QStringLiteral("円");
inline const QString kRectangle = QStringLiteral("四角");
// Shapes of several clicks.
inline const QString kPolyline = QStringLiteral("折れ線");
inline const QString kPolygon = QStringLiteral("多角形");
inline const QString kAngle = QStringLiteral("角度");
}  // namespace shape

// Where records go, as chosen in the 編集 menu.
namespace destination {
inline const QString kNone;
inline const QString kClipboard = QStringLiteral("クリップ");
inline const QString kFile = QStringLiteral("ファイル");
inline const QString kSpreadsheet = QStringLiteral("エクセル");
}  // namespace destination

// Whether records are sent to `where`; "" and any unknown text send nothing.
bool isSending(const QString& where);

// The shape chosen by item `index` of the capture menu, if that item chooses one.
std::optional<QString> shapeForMenuIndex(int index);
// The destination chosen by item `index` of the edit menu, if that item chooses one.
std::optional<QString> destinationForMenuIndex(int index);

// What the main window keeps besides the value sheet and the tools read at
// every release. The main window edits it in place.
struct Selections {
  QString captureShape = shape::kNone;
  QString destination = destination::kNone;
  // The spreadsheet row the next record fills: a 16-bit counter from 1.
  qint16 outputRow = 1;
};

}  // namespace koordel
