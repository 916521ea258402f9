#pragma once

// Makes every com port created from now on run its events through a TSioQtNotifier in the
// thread that opens it, and lets a port opened without a number ask the user for one. A Qt
// program calls it once at start.
void InstallSioQtGlue();
