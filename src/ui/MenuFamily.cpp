#include "MenuFamily.h"

#include <QActionGroup>
#include <QMenu>

namespace koordel {

MenuFamily::MenuFamily(QMenu* menu, const QString& name, const QStringList& captions, int offered,
                       std::function<void(int)> chosen)
    : QObject(menu), m_menu(menu), m_marks(new QActionGroup(this)) {
  // The exclusive group draws the radio marks.
  QActionGroup* marks = m_marks;
  for (int i = 0; i < captions.size(); ++i) {
    QAction* item = menu->addAction(captions.at(i));
    item->setObjectName(name);
    item->setData(i);
    item->setCheckable(true);
    item->setVisible(i < offered);
    if (i < offered) {
      marks->addAction(item);
    }
    connect(item, &QAction::triggered, this, [chosen, i] { chosen(i); });
    m_items.append(item);
  }
  m_items.at(0)->setChecked(true);
}

QAction* MenuFamily::append(const QString& caption, const QString& name,
                            std::function<void(int)> chosen) {
  const int index = int(m_items.size());
  QAction* item = m_menu->addAction(caption);
  item->setObjectName(name);
  item->setData(index);
  item->setCheckable(true);
  m_marks->addAction(item);
  connect(item, &QAction::triggered, this, [chosen = std::move(chosen), index] { chosen(index); });
  m_items.append(item);
  return item;
}

void MenuFamily::check(int index) {
  for (QAction* marked : m_marks->actions()) {
    marked->setChecked(false);
  }
  if (QAction* chosen = item(index)) {
    chosen->setChecked(true);
  }
}

}  // namespace koordel
