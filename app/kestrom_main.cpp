// kestrom: the program on the real USB bridges.

#include "app/program.h"

int main(int argc, char** argv) {
    auto bus = kestrom::makeHardwareBus();
    return kestrom::app::runProgram(argc, argv, *bus);
}
