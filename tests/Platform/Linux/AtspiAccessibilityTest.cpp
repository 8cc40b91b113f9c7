#include "Platform/Linux/AtspiAccessibility.h"

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

using namespace mivora;

TEST(AtspiAccessibility, NamesRolesTheWayTheInserterExpects) {
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_TEXT, false), "AXTextField");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_TEXT, true), "AXTextArea");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_ENTRY, false), "AXTextField");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_PASSWORD_TEXT, false), "AXTextField");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_COMBO_BOX, false), "AXComboBox");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_SLIDER, false), "AXSlider");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_PUSH_BUTTON, false), "push button");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_INVALID, false), "?");
}
