#pragma once

#include <QWidget>
#include <QtGlobal>

namespace TestSupport {

// The child widget of that object name and class; ends the test executable when there is none.
template <typename T> T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

} // namespace TestSupport
