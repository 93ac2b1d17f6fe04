#pragma once

#include "DesktopMemory.h"

#include <QList>
#include <QObject>

#include <functional>

class QMenu;

namespace koordel {

class PictureOpener;

// 最近使ったファイル: the pictures opened lately, newest first, one entry a
// file, a PDF with the page and resolution it was last shown at. Choosing
// one opens it again as it was, a PDF at that page and resolution without
// asking (its password excepted); one no longer there is told and dropped.
// The resolution of the PDF opened last is what the PDF dialog offers next.
class RecentFiles : public QObject {
 public:
  // The list goes into `menu`; `tell` tells the user.
  RecentFiles(DesktopMemory& memory, QMenu* menu, PictureOpener& opener,
              std::function<void(const QString&)> tell);

  // `list` with `opened` at its head, any older entry of the same file gone,
  // at most DesktopMemory::kMaximumRecent long.
  static QList<RecentFile> withOpened(QList<RecentFile> list, const RecentFile& opened);
  // What an item of the menu says.
  static QString caption(int index, const RecentFile& file);

  QList<RecentFile> files() const { return m_memory.recentFiles(); }

 private:
  void opened();
  void gaveWay();
  void rebuild();
  void choose(const RecentFile& file);

  DesktopMemory& m_memory;
  QMenu* m_menu;
  PictureOpener& m_opener;
  std::function<void(const QString&)> m_tell;
  // The file listed last, as it was listed.
  QString m_lastOpened;
};

}  // namespace koordel
