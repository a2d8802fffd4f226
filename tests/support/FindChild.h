#pragma once

// Widget tests reach a window's controls by their object names, as a user reaches
// them by their place: the window classes keep no getters for tests.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace test_widgets {

// The child of `parent` named `name`; a missing one ends the test program at once
// with the name, rather than with a null pointer somewhere later.
template <typename T> T* Find(const QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child named \"%s\" of the wanted type", name);
    return child;
}

template <typename T> T* Find(const QObject& parent, const char* name)
{
    return Find<T>(&parent, name);
}

} // namespace test_widgets
