#include "ErrorInfo.h"

#include <exception>
#include <new>

#include "EOutOfMemory.h"

ErrorInfo DescribeCurrentException() {
    const auto text = [](const std::string& bytes) { return QString::fromLocal8Bit(bytes); };
    try {
        throw;
    } catch (const Exception& e) {
        return {QString::fromLatin1(e.ClassName()), text(e.Message())};
    } catch (const std::bad_alloc&) {
        const EOutOfMemory e;
        return {QString::fromLatin1(e.ClassName()), text(e.Message())};
    } catch (const std::exception& e) {
        return {QStringLiteral("Exception"), text(e.what())};
    } catch (...) {
        return {QStringLiteral("Exception"), QStringLiteral("Unknown failure")};
    }
}
