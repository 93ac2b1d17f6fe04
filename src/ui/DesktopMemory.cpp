#include "DesktopMemory.h"

#include "PdfPrompts.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// A window larger than this was never a window: the store is damaged.
constexpr int kLargestWindow = 100000;

std::optional<int> whole(const QSettings& store, const QString& key) {
  const QVariant value = store.value(key);
  bool ok = false;
  const int number = value.toInt(&ok);
  if (!ok) {
    return std::nullopt;
  }
  return number;
}

std::optional<bool> yesOrNo(const QSettings& store, const QString& key) {
  const QString text = store.value(key).toString();
  if (text == u"true") {
    return true;
  }
  if (text == u"false") {
    return false;
  }
  return std::nullopt;
}

bool isDpi(int dpi) {
  return dpi >= PdfPrompts::kMinimumDpi && dpi <= PdfPrompts::kMaximumDpi;
}

}  // namespace

DesktopMemory::DesktopMemory() = default;

DesktopMemory::DesktopMemory(const QString& store)
    : m_store(std::make_unique<QSettings>(store, QSettings::IniFormat)) {
  read();
}

DesktopMemory::~DesktopMemory() = default;

QString DesktopMemory::userStore() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(u"Koordel/Koordel.conf"_s);
}

// The settings files are saved and loaded through one folder; a picture may
// well live elsewhere.
QString DesktopMemory::folderKey(const QString& dialog) {
  if (dialog == u"平面画像読込") {
    return u"folders/picture"_s;
  }
  if (dialog == u"設定保存" || dialog == u"設定読込") {
    return u"folders/settings"_s;
  }
  return {};
}

void DesktopMemory::read() {
  // Whatever the file holds, each value is taken only as what it should be.
  QSettings& store = *m_store;
  const auto x = whole(store, u"window/x"_s);
  const auto y = whole(store, u"window/y"_s);
  const auto width = whole(store, u"window/width"_s);
  const auto height = whole(store, u"window/height"_s);
  if (x && y && width && height && *width > 0 && *height > 0 && *width <= kLargestWindow &&
      *height <= kLargestWindow && std::abs(*x) <= kLargestWindow &&
      std::abs(*y) <= kLargestWindow) {
    m_placement = Placement{QRect(*x, *y, *width, *height),
                            yesOrNo(store, u"window/maximized"_s).value_or(false)};
  }
  for (const QString& key : {u"folders/picture"_s, u"folders/settings"_s}) {
    const QString folder = store.value(key).toString();
    if (!folder.isEmpty()) {
      m_folders.append({key, folder});
    }
  }
  if (const auto dpi = whole(store, u"pdf/dpi"_s); dpi && isDpi(*dpi)) {
    m_pdfDpi = dpi;
  }
  m_loupe = yesOrNo(store, u"view/loupe"_s).value_or(false);

  // A damaged count must not make the reading endless.
  const int count = std::clamp(store.beginReadArray(u"recent"_s), 0, kMaximumRecent);
  for (int i = 0; i < count; ++i) {
    store.setArrayIndex(i);
    RecentFile file{store.value(u"path"_s).toString(), std::nullopt, 0};
    if (file.path.isEmpty()) {
      continue;
    }
    if (store.contains(u"page"_s)) {
      const auto page = whole(store, u"page"_s);
      const auto dpi = whole(store, u"dpi"_s);
      if (!page || *page < 0 || !dpi || !isDpi(*dpi)) {
        continue;
      }
      file.page = page;
      file.dpi = *dpi;
    }
    m_recent.append(file);
  }
  store.endArray();
}

void DesktopMemory::rememberPlacement(const Placement& placement) {
  m_placement = placement;
  if (!m_store) {
    return;
  }
  const QRect& r = placement.geometry;
  m_store->setValue(u"window/x"_s, r.x());
  m_store->setValue(u"window/y"_s, r.y());
  m_store->setValue(u"window/width"_s, r.width());
  m_store->setValue(u"window/height"_s, r.height());
  m_store->setValue(u"window/maximized"_s, placement.maximized);
  m_store->sync();
}

QString DesktopMemory::folder(const QString& dialog) const {
  const QString key = folderKey(dialog);
  for (const auto& [kept, folder] : m_folders) {
    if (kept == key) {
      return folder;
    }
  }
  return {};
}

void DesktopMemory::rememberFolder(const QString& dialog, const QString& folder) {
  const QString key = folderKey(dialog);
  if (key.isEmpty() || folder.isEmpty()) {
    return;
  }
  m_folders.removeIf([&](const auto& kept) { return kept.first == key; });
  m_folders.append({key, folder});
  if (m_store) {
    m_store->setValue(key, folder);
    m_store->sync();
  }
}

void DesktopMemory::rememberPdfDpi(int dpi) {
  if (!isDpi(dpi)) {
    return;
  }
  m_pdfDpi = dpi;
  if (m_store) {
    m_store->setValue(u"pdf/dpi"_s, dpi);
    m_store->sync();
  }
}

void DesktopMemory::rememberLoupe(bool on) {
  m_loupe = on;
  if (m_store) {
    m_store->setValue(u"view/loupe"_s, on);
    m_store->sync();
  }
}

void DesktopMemory::rememberRecentFiles(const QList<RecentFile>& files) {
  m_recent = files.mid(0, kMaximumRecent);
  if (!m_store) {
    return;
  }
  m_store->remove(u"recent"_s);
  m_store->beginWriteArray(u"recent"_s, int(m_recent.size()));
  for (int i = 0; i < m_recent.size(); ++i) {
    const RecentFile& file = m_recent.at(i);
    m_store->setArrayIndex(i);
    m_store->setValue(u"path"_s, file.path);
    if (file.page) {
      m_store->setValue(u"page"_s, *file.page);
      m_store->setValue(u"dpi"_s, file.dpi);
    }
  }
  m_store->endArray();
  m_store->sync();
}

}  // namespace koordel
