#pragma once

#include <QApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
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

// The visible top-level window of class T, or null.
template <typename T> T* shownWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* shown = qobject_cast<T*>(window); shown && shown->isVisible())
            return shown;
    }
    return nullptr;
}

// The rows of the tree whose item type is `type`.
inline int rowsOf(QTreeWidget* tree, int type)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        count += (*it)->type() == type;
    return count;
}

} // namespace TestSupport
