#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QActionGroup;
class QMenu;

namespace koordel {

// An indexed family of items in a menu (編集's destinations, 取込's shapes):
// one object name for all, the index as each item's data, one checked at a
// time. Only the first `offered` items show; the rest stay hidden, yet can
// be checked by index.
class MenuFamily : public QObject {
 public:
  MenuFamily(QMenu* menu, const QString& name, const QStringList& captions, int offered,
             std::function<void(int)> chosen);

  QAction* item(int index) const { return m_items.value(index, nullptr); }
  // A further item at the menu's end, one of the same checked group, under
  // a name of its own; its index follows the others'.
  QAction* append(const QString& caption, const QString& name, std::function<void(int)> chosen);
  // Checks the item at `index`, unchecking the offered ones; the marks are
  // set here, whatever the exclusive group drew.
  void check(int index);

 private:
  QMenu* m_menu;
  QActionGroup* m_marks;
  QList<QAction*> m_items;
};

}  // namespace koordel
