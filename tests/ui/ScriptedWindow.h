#pragma once

#include "../FakePrompts.h"
#include "../ScriptedFileDialog.h"
#include "CanvasWidget.h"
#include "MainWindow.h"

#include <QAction>
#include <QTest>

#include <memory>

// The real main window with its message, input and file boxes answered from
// a script, shown offscreen.
struct ScriptedWindow {
  koordel::MainWindow window;
  FakePrompts* prompts = nullptr;
  ScriptedFileDialog* files = nullptr;

  ScriptedWindow() {
    auto p = std::make_unique<FakePrompts>();
    prompts = p.get();
    window.setPrompts(std::move(p));
    auto f = std::make_unique<ScriptedFileDialog>();
    files = f.get();
    window.setFileDialog(std::move(f));
    window.show();
  }

  // A picture loaded is decoded before the next step.
  void run(const QString& command) {
    window.findChild<QAction*>(command)->trigger();
    if (command == u"A11") {
      window.canvas()->waitForPyramid();
    }
  }

  // Item `index` of an indexed menu family (B11, C11).
  void choose(const QString& family, int index) {
    for (QAction* item : window.findChildren<QAction*>(family)) {
      if (item->data().toInt() == index) {
        item->trigger();
      }
    }
  }
};
