#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace koordel {

// A picture opened lately; a PDF with the page (from 0) and the resolution
// it was shown at.
struct RecentFile {
  QString path;
  std::optional<int> page;
  int dpi = 0;
  bool operator==(const RecentFile&) const = default;
};

// What the desktop keeps of one run for the next: where the window was, the
// folder each file dialog last looked in, the last PDF resolution, whether
// the loupe was on, and the pictures opened lately. Nothing of the
// measurements (value sheet, selections, settings files): those start fresh
// every time. Each value is read once and checked; one the store holds
// damaged or out of range counts as never kept, and a store that cannot be
// read or written changes nothing but that.
class DesktopMemory {
 public:
  static constexpr int kMaximumRecent = 10;

  // Keeps nothing beyond the run: what tests and a window of its own get.
  DesktopMemory();
  // Kept in the file `store`, read now and written at every change.
  explicit DesktopMemory(const QString& store);
  ~DesktopMemory();

  // Where the desktop keeps the user's: $XDG_CONFIG_HOME/Koordel/Koordel.conf.
  static QString userStore();

  struct Placement {
    QRect geometry;  // the normal (not maximised) frame-less geometry
    bool maximized = false;
  };
  std::optional<Placement> placement() const { return m_placement; }
  void rememberPlacement(const Placement& placement);

  // The folder the file dialog titled `dialog` last chose in ("" for none).
  QString folder(const QString& dialog) const;
  void rememberFolder(const QString& dialog, const QString& folder);

  std::optional<int> pdfDpi() const { return m_pdfDpi; }
  void rememberPdfDpi(int dpi);

  bool loupeOn() const { return m_loupe; }
  void rememberLoupe(bool on);

  // Newest first.
  QList<RecentFile> recentFiles() const { return m_recent; }
  void rememberRecentFiles(const QList<RecentFile>& files);

 private:
  void read();
  static QString folderKey(const QString& dialog);

  std::unique_ptr<QSettings> m_store;
  std::optional<Placement> m_placement;
  QList<std::pair<QString, QString>> m_folders;  // key, folder
  std::optional<int> m_pdfDpi;
  bool m_loupe = false;
  QList<RecentFile> m_recent;
};

}  // namespace koordel
