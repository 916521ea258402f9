#pragma once

#include <QIcon>

// The program's icon at every size the build renders from its drawing: the same pictures the
// desktop's launcher shows.
QIcon RostermateIcon();
