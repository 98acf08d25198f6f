// `ohmkit-serve [--port N] [--documents DIR]`: the serve mode on its own, for the real-client
// tests and the benchmark.
#include "app/serve_command.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    return ohmkit::app::serveCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
