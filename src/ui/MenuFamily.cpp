#include "MenuFamily.h"

#include <QActionGroup>
#include <QMenu>

namespace koordel {

MenuFamily::MenuFamily(QMenu* menu, const QString& name, const QStringList& captions, int offered,
                       std::function<void(int)> chosen)
    : QObject(menu), m_offered(offered) {
  // The exclusive group draws the radio marks.
  auto* marks = new QActionGroup(this);
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

void MenuFamily::check(int index) {
  for (int i = 0; i < m_offered && i < m_items.size(); ++i) {
    m_items.at(i)->setChecked(false);
  }
  if (QAction* chosen = item(index)) {
    chosen->setChecked(true);
  }
}

}  // namespace koordel
