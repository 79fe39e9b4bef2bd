#include <iostream>

#include "winroot/commands.h"

int main(int argc, char** argv) {
  return winroot::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
