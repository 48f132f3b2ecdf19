// GoogleTest with Qt, for the suites of the widgets, screens and program.
#include "qt.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
