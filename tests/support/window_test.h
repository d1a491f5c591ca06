// The window tests are one program: each test class registers itself under its name, and the
// program runs the class named by its first argument, so every class still runs in a process of
// its own while the large window headers are compiled for a few files instead of one per class.
#pragma once

#include <QApplication>
#include <QtTest/QtTest>
#include <map>
#include <string>

namespace kestrom::test {

using WindowTestRun = int (*)(int argc, char** argv);

inline std::map<std::string, WindowTestRun>& windowTests() {
    static std::map<std::string, WindowTestRun> tests;
    return tests;
}

inline bool registerWindowTest(const char* name, WindowTestRun run) {
    windowTests()[name] = run;
    return true;
}

} // namespace kestrom::test

// In place of QTEST_MAIN: the same set-up (application, attributes, initMain), run on demand.
#define KESTROM_WINDOW_TEST(TestObject)                                                            \
    namespace {                                                                                    \
    int run##TestObject(int argc, char* argv[]) {                                                  \
        QTest::Internal::callInitMain<TestObject>();                                               \
        QTEST_MAIN_SETUP()                                                                         \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }                                                                                              \
    const bool registered##TestObject =                                                            \
        ::kestrom::test::registerWindowTest(#TestObject, run##TestObject);                         \
    }
