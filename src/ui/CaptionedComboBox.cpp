#include "CaptionedComboBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace koordel {
namespace {

class CaptionedComboBoxAccessible : public QAccessibleWidget {
 public:
  explicit CaptionedComboBoxAccessible(QComboBox* box)
      : QAccessibleWidget(box, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      return box()->isEditable() && box()->lineEdit() ? box()->lineEdit()->text()
                                                      : box()->currentText();
    }
    return QAccessibleWidget::text(t);
  }

  // Typing goes to the line edit of an editable box, which is where the
  // focus really is.
  QAccessibleInterface* focusChild() const override {
    if (box()->isEditable() && box()->lineEdit()) {
      return QAccessible::queryAccessibleInterface(box()->lineEdit());
    }
    return QAccessibleWidget::focusChild();
  }

  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction()) {
      box()->showPopup();
      return;
    }
    QAccessibleWidget::doAction(name);
  }

 private:
  QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* comboBoxFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(QComboBox::staticMetaObject.className()) && object &&
      object->isWidgetType()) {
    return new CaptionedComboBoxAccessible(static_cast<QComboBox*>(object));
  }
  return nullptr;
}

}  // namespace

void nameComboBoxesByCaption() {
  static const bool installed = [] {
    QAccessible::installFactory(comboBoxFactory);
    return true;
  }();
  Q_UNUSED(installed);
}

}  // namespace koordel
