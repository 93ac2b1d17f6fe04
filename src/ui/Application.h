#pragma once

namespace koordel {

// Sets up the toolkit, shows the main window and runs until it is closed.
int runApplication(int argc, char* argv[]);

}  // namespace koordel
