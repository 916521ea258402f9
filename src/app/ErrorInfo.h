#pragma once

#include <QString>

// The kind (class name, as messages show it) and the message of the exception being handled.
// Call only inside a catch block.
struct ErrorInfo {
    QString kind;
    QString message;
};

ErrorInfo DescribeCurrentException();
