#include "Platform/Linux/AtspiAccessibility.h"

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

using namespace mivora;

TEST(AtspiAccessibility, NamesRolesTheWayTheInserterExpects) {
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_TEXT, false, true), "AXTextField");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_TEXT, true, true), "AXTextArea");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_ENTRY, false, true), "AXTextField");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_PASSWORD_TEXT, false, true), "AXTextField");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_COMBO_BOX, false, false), "AXComboBox");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_SLIDER, false, false), "AXSlider");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_PUSH_BUTTON, false, false), "push button");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_INVALID, false, false), "?");
    // Read-only text views and entries: a paste would go nowhere, so they are no text field.
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_TEXT, true, false), "AXStaticText");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_TEXT, false, false), "AXStaticText");
    EXPECT_EQ(AtspiAccessibility::roleName(ATSPI_ROLE_ENTRY, false, false), "AXStaticText");
}
