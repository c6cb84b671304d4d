#include "Clipboard.h"

#include <gtest/gtest.h>

TEST(Clipboard, TextRoundTrips)
{
    Clipboard::SetText("select ID, NAZVANIE from CLASS");
    EXPECT_EQ(Clipboard::Text(), "select ID, NAZVANIE from CLASS");
    Clipboard::SetText("Запрос");
    EXPECT_EQ(Clipboard::Text(), "Запрос");
}
