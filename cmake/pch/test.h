// GoogleTest and the standard headers of the suites.
#include "std.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
