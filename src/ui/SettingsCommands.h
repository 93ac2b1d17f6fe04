#pragma once

namespace koordel {

class FileDialog;
class UserPrompts;
class ValueSheet;

// 設定保存 and 設定読込: the calibration written to, or read from, the
// settings file the user chooses, with what went wrong told.
void saveSettings(const ValueSheet& sheet, FileDialog& dialog, UserPrompts& prompts);
void loadSettings(ValueSheet& sheet, FileDialog& dialog, UserPrompts& prompts);

}  // namespace koordel
