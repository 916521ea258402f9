#include "ProcessCounts.h"

#include <thread>

int SettledThreadCount() {
    std::thread([] {}).join();
    return ThreadCount();
}
