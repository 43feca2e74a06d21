#include <gtest/gtest.h>
TEST(Hires, Placeholder) {}
