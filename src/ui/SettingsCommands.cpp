#include "SettingsCommands.h"

#include "FileDialog.h"
#include "SettingsFile.h"
#include "UserPrompts.h"

using namespace Qt::StringLiterals;

namespace koordel {

void saveSettings(const ValueSheet& sheet, FileDialog& dialog, UserPrompts& prompts) {
  prompts.message(u"設定を保存します。"_s);
  // Cancelling saves nothing: writing to the last name used would replace
  // the calibration saved there.
  const std::optional<QString> name = dialog.chooseFileToSave(u"設定保存"_s);
  if (!name) {
    return;
  }
  const QString written = settings::fileNameFor(*name);
  if (const auto question = settings::replaceQuestion(written);
      question && !prompts.ask(*question, u"設定保存"_s)) {
    return;
  }
  if (auto failure = settings::save(sheet, written)) {
    prompts.message(*failure, u"エラー"_s);
    return;
  }
  dialog.offer(written);
}

void loadSettings(ValueSheet& sheet, FileDialog& dialog, UserPrompts& prompts) {
  prompts.message(u"設定を読み込みます。"_s);
  // Cancelling loads nothing: the last name used may be a picture.
  const std::optional<QString> name = dialog.chooseFileToOpen(u"設定読込"_s);
  if (!name) {
    return;
  }
  if (auto failure = settings::load(sheet, *name)) {
    prompts.message(*failure, u"エラー"_s);
  }
}

}  // namespace koordel
