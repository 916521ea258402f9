#pragma once

// What this process holds right now, for tests that check nothing is left behind.
int ThreadCount();          // threads of the process
int OpenDescriptorCount();  // open file descriptors (on Windows: kernel handles)
// ThreadCount once the runtime's own helper threads exist: a sanitizer starts one with the
// first thread the process makes. Take it as the count to come back to.
int SettledThreadCount();
