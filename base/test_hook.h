// Named points the code passes where a test may stop a real process: to kill it there by its
// handle, or to hold it while another process acts. Only the test build has them; in the
// shipped programs a point is nothing at all.
#pragma once

namespace base {

#ifdef GRENWICK_TEST_HOOK
// When the variable GRENWICK_TEST_POINT names `point`, the first time the process passes it
// writes the file the variable GRENWICK_TEST_REACHED names and waits while that file is there:
// the test removes it to let the process go on, or kills the process.
void TestPoint(const char* point);
#else
inline void TestPoint(const char*) {}
#endif

}  // namespace base
