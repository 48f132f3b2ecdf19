#pragma once
// One QApplication for a test program that runs without its own main.

#include <QApplication>

inline void EnsureQApplication() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}
