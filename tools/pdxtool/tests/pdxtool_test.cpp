#include <gtest/gtest.h>

TEST(Pdxtool, Placeholder) {}
