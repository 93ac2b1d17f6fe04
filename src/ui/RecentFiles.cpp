#include "RecentFiles.h"

#include "Messages.h"
#include "PictureOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// The same file however it was named (a relative name, "..", a link).
QString sameFile(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The window the menu belongs to: a failure is told over it.
QWidget* windowOf(QWidget* menu) {
  QWidget* top = menu;
  while (top->parentWidget()) {
    top = top->parentWidget();
  }
  return top;
}

}  // namespace

RecentFiles::RecentFiles(DesktopMemory& memory, QMenu* menu, PictureOpener& opener,
                         std::function<void(const QString&)> tell)
    : QObject(menu), m_memory(memory), m_menu(menu), m_opener(opener), m_tell(std::move(tell)) {
  menu->setObjectName(u"最近使ったファイル"_s);
  if (const auto dpi = memory.pdfDpi()) {
    opener.setStartingDpi(*dpi);
  }
  opener.whenShown([this](bool opened) {
    if (opened) {
      this->opened();
    } else {
      gaveWay();
    }
  });
  rebuild();
}

QList<RecentFile> RecentFiles::withOpened(QList<RecentFile> list, const RecentFile& opened) {
  const QString key = sameFile(opened.path);
  list.removeIf([&](const RecentFile& kept) { return sameFile(kept.path) == key; });
  list.prepend(opened);
  return list.mid(0, DesktopMemory::kMaximumRecent);
}

QString RecentFiles::caption(int index, const RecentFile& file) {
  // The first nine can be chosen by their digit.
  QString text = index < 9 ? u"&%1 "_s.arg(index + 1) : u"%1 "_s.arg(index + 1);
  // An "&" of the name would mark a key and vanish.
  text += QDir::toNativeSeparators(file.path).replace(u'&', u"&&"_s);
  if (file.page) {
    text += u"（%1 ページ目、%2 dpi）"_s.arg(*file.page + 1).arg(file.dpi);
  }
  return text;
}

void RecentFiles::opened() {
  m_lastOpened.clear();
  const auto& shown = m_opener.shown();
  if (!shown) {
    return;
  }
  RecentFile file{QFileInfo(shown->path).absoluteFilePath(), std::nullopt, 0};
  if (shown->pdf) {
    file.page = shown->pdf->page;
    file.dpi = shown->pdf->dpi;
    m_memory.rememberPdfDpi(file.dpi);
  }
  m_lastOpened = file.path;
  m_memory.rememberRecentFiles(withOpened(m_memory.recentFiles(), file));
  rebuild();
}

// A picture is listed as soon as it starts to show; found damaged half-way,
// it was never opened after all, and the one brought back is the newest.
void RecentFiles::gaveWay() {
  if (!m_lastOpened.isEmpty()) {
    const QString key = sameFile(m_lastOpened);
    QList<RecentFile> files = m_memory.recentFiles();
    files.removeIf([&](const RecentFile& kept) { return sameFile(kept.path) == key; });
    m_memory.rememberRecentFiles(files);
    rebuild();
  }
  opened();
}

void RecentFiles::rebuild() {
  // Not deleted at once: the item chosen may be the one asking.
  for (QAction* old : m_menu->actions()) {
    m_menu->removeAction(old);
    old->deleteLater();
  }
  const QList<RecentFile> files = m_memory.recentFiles();
  for (int i = 0; i < files.size(); ++i) {
    QAction* item = m_menu->addAction(caption(i, files.at(i)));
    item->setObjectName(u"最近使ったファイル%1"_s.arg(i + 1));
    connect(item, &QAction::triggered, this,
            [this, file = files.at(i)] { guarded(windowOf(m_menu), [&] { choose(file); }); });
  }
  // An empty list has nothing to offer.
  m_menu->menuAction()->setEnabled(!files.isEmpty());
}

void RecentFiles::choose(const RecentFile& file) {
  if (!QFileInfo(file.path).isFile()) {
    QList<RecentFile> files = m_memory.recentFiles();
    files.removeAll(file);
    m_memory.rememberRecentFiles(files);
    rebuild();
    m_tell(
        u"%1 が見つかりません（移されたか消されたようです）。\n"
        u"最近使ったファイルの一覧から外しました。"_s.arg(QDir::toNativeSeparators(file.path)));
    return;
  }
  std::optional<PdfChoice> at;
  if (file.page) {
    at = PdfChoice{*file.page, file.dpi};
  }
  m_opener.open(file.path, at);
}

}  // namespace koordel
