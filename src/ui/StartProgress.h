#pragma once

#include <functional>
#include <optional>

class QWidget;

namespace koordel {

// Runs `start` on a worker thread while the window stays drawn but takes no
// input. When it has not ended after a moment, a modal window says that
// LibreOffice Calc is starting and offers キャンセル; cancelling calls
// `interrupt` and waits, saying so, until `start` has given up. Returns what
// `start` returned, or no value when the user cancelled.
std::optional<bool> runWithStartProgress(QWidget* parent, const std::function<bool()>& start,
                                         const std::function<void()>& interrupt);

}  // namespace koordel
