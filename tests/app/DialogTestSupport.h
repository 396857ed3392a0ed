#pragma once

// What the dialog tests share: a lookup of a dialog's control by its name.
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace brenvik::dialogtest {

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

} // namespace brenvik::dialogtest
