#include "Application.h"

int main(int argc, char* argv[]) {
  return koordel::runApplication(argc, argv);
}
