#pragma once

#include <QString>
#include <QStringList>

namespace koordel {

// What `koordel [OPTION] [FILE...]` asks for.
struct CommandLine {
  enum class Action {
    Run,      // open the window, and the first file in it
    Help,     // print `text` and end
    Version,  // print `text` and end
    Check,    // report whether the parts are found and the files open, and end
    Error,    // print `text` to the error stream and end with 2
  };
  Action action = Action::Run;
  QStringList files;
  QString text;
};

// Reads the arguments (the program's name first). Texts are in the current
// language; the toolkit's own words need its translation installed first.
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace koordel
