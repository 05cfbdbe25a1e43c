#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <type_traits>

// A window's control by its object name, from the window itself, a pointer or a
// smart pointer to it. A missing control fails the test.
template <typename T, typename Holder> T* Child(const Holder& holder, const QString& name)
{
    const QObject* parent = nullptr;
    if constexpr (std::is_pointer_v<Holder>)
        parent = holder;
    else if constexpr (std::is_base_of_v<QObject, Holder>)
        parent = &holder;
    else
        parent = holder.get();
    T* child = parent != nullptr ? parent->template findChild<T*>(name) : nullptr;
    EXPECT_NE(child, nullptr) << "no control named " << name.toStdString();
    return child;
}
