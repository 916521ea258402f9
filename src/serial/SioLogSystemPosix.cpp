#include "SioLogFormat.h"

#include <sys/utsname.h>

#include "SioMessageTable.h"

std::string LogSystemText() {
    utsname name{};
    if (uname(&name) != 0) return SioMessageText(sio::mtLogUnknown);
    return std::string(name.sysname) + " " + name.release;
}
