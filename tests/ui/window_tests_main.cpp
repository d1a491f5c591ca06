// Runs one window test class: kestrom_window_tests <class> [Qt Test arguments].
#include "tests/support/window_test.h"

#include <cstdio>

int main(int argc, char** argv) {
    const auto& tests = kestrom::test::windowTests();
    const auto found = argc >= 2 ? tests.find(argv[1]) : tests.end();
    if (found == tests.end()) {
        std::fprintf(stderr, "usage: %s <test class> [arguments]\ntest classes:\n", argv[0]);
        for (const auto& [name, run] : tests) {
            std::fprintf(stderr, "  %s\n", name.c_str());
        }
        return 2;
    }
    // The class's own arguments follow its name; Qt Test reads the program's name first.
    argv[1] = argv[0];
    return found->second(argc - 1, argv + 1);
}
