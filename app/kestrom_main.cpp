// kestrom: the program on the real USB bridges.

#include "app/program.h"

int main(int, char** argv) {
    auto bus = kestrom::makeHardwareBus();
    return kestrom::app::runProgram(argv[0], *bus);
}
