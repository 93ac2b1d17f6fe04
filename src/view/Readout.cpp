#include "Readout.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace koordel {
namespace {

// Role static text, name the caption, value and read-only text what the
// label shows.
class ReadoutAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ReadoutAccessible(Readout* readout)
      : QAccessibleWidget(readout, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return shown();
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) {
      return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
  }

  void selection(int, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
  }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int startOffset, int endOffset) const override {
    return shown().mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(shown().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return {};
  }

 private:
  QString shown() const { return static_cast<const Readout*>(object())->value(); }
};

QAccessibleInterface* readoutFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(Readout::staticMetaObject.className()) && object &&
      object->isWidgetType()) {
    return new ReadoutAccessible(static_cast<Readout*>(object));
  }
  return nullptr;
}

}  // namespace

Readout::Readout(const QString& caption, QWidget* parent) : QLabel(parent) {
  static const bool installed = [] {
    QAccessible::installFactory(readoutFactory);
    return true;
  }();
  Q_UNUSED(installed);
  // Unit names and value sheet texts are the user's own, never markup.
  setTextFormat(Qt::PlainText);
  setAccessibleName(caption);
}

void Readout::setValue(const QString& value) {
  const QString old = text();
  if (old == value) {
    return;
  }
  setText(value);
  if (QAccessible::isActive()) {
    QAccessibleTextUpdateEvent event(this, 0, old, value);
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace koordel
