#pragma once

#include "FileDialog.h"

#include <QString>

#include <optional>

// A file dialog that always opens the same picture and saves nothing.
struct OneFile : koordel::FileDialog {
  QString name;
  std::optional<QString> chooseFileToOpen(const QString&) override { return name; }
  std::optional<QString> chooseFileToSave(const QString&) override { return std::nullopt; }
  void offer(const QString&) override {}
};
