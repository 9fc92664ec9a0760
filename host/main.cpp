#include "HostCommand.h"

#include <iostream>

int main(int argc, char** argv) { return HostCommand::Run(argc, argv, std::cout, std::cerr); }
