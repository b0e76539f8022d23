#pragma once

#include <QByteArray>

namespace TestSupport {

// Counts the live QObjects of a class while it exists (through Qt's object hooks), so that tests can tell
// whether objects a class makes for itself are all released.
class ObjectCensus
{
public:
    ObjectCensus();
    ~ObjectCensus();

    // Live objects made since the census started whose class name is className.
    int alive(const QByteArray& className) const;
};

} // namespace TestSupport
