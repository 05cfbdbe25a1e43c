#pragma once

#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <initializer_list>

// A window's layout by its rules rather than its numbers: each named control
// is shown with a size, lies inside the window, and overlaps none of the others.
inline void ExpectLaidOut(const QWidget& window, std::initializer_list<const char*> names)
{
    std::vector<std::pair<const char*, QRect>> placed;
    for (const char* name : names) {
        const auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
        if (control == nullptr) {
            ADD_FAILURE() << "no control named " << name;
            continue;
        }
        const QRect at = control->geometry();
        EXPECT_FALSE(at.isEmpty()) << name;
        EXPECT_TRUE(window.rect().contains(at)) << name << " outside the window";
        for (const auto& [other, otherAt] : placed)
            EXPECT_FALSE(at.intersects(otherAt)) << name << " overlaps " << other;
        placed.emplace_back(name, at);
    }
}
