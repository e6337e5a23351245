#include <gtest/gtest.h>

#include "primitives/text.hpp"

TEST(Smoke, Builds) { EXPECT_EQ(quillora::TextLength("ab"), 2); }
