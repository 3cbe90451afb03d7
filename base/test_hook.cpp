// The test build's points: a file tells the test the point is reached, and its removal lets
// the process go on. Bounded, so that a test that forgets a process does not leave it forever.
#include "base/test_hook.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/files.h"

namespace base {

void TestPoint(const char* point) {
    static bool passed = false;
    const char* wanted = std::getenv("GRENWICK_TEST_POINT");
    const char* reached = std::getenv("GRENWICK_TEST_REACHED");
    if (passed || !wanted || !reached || std::strcmp(wanted, point) != 0)
        return;
    passed = true;
    if (!WriteFileInPlace(reached, point))
        return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (KindOf(reached) != PathKind::Missing && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace base
