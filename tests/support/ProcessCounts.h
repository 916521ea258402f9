#pragma once

// What this process holds right now, for tests that check nothing is left behind.
int ThreadCount();          // threads of the process
int OpenDescriptorCount();  // open file descriptors
