#include "PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "ESimError.h"
#include "SystemErrorText.h"

namespace sim {

PseudoTerminal::PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) throw ESimError("Cannot create a pseudo-terminal: " + SystemErrorText(errno));
    char name[128] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        const int error = errno;
        Close();
        throw ESimError("Cannot prepare the pseudo-terminal: " + SystemErrorText(error));
    }
    slavePath_ = name;
    termios settings{};
    if (::tcgetattr(master_, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(master_, TCSANOW, &settings);
    }
}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

void PseudoTerminal::Close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace sim
