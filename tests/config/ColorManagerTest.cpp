#include "config/ColorManager.h"

#include <gtest/gtest.h>

#include "platform/ProfileFile.h"

TEST(ColorManager, ColourTextsParseAsTheirPiecesDictate) {
  EXPECT_EQ(ParseColorText("FF"), 0x0000FFu) << "pure red: the pieces are FF, empty, empty";
  EXPECT_EQ(ParseColorText("#00FF00"), 0x00FF00u);
  EXPECT_EQ(ParseColorText("00ff00"), 0x00FF00u);
  EXPECT_EQ(ParseColorText("123456"), 0x563412u);
  EXPECT_EQ(ParseColorText("FFFFFF00"), 0xFFFFFFu);
  EXPECT_EQ(ParseColorText("12345"), 0x053412u);
  for (const char* bad : {"$FF0000", "", "#", "zz", "12 456", "-1"})
    EXPECT_EQ(ParseColorText(bad), std::nullopt) << bad;

  TCS c;
  ASSERT_TRUE(c.SetText("FFFFFF00"));
  EXPECT_EQ(c.text, "FFFFFF00") << "the extra digits stay in the text";
  EXPECT_EQ(c.color, 0xFFFFFFu);
  EXPECT_FALSE(c.SetText("$FF0000"));
  EXPECT_EQ(c.text, "FFFFFF00");
  ASSERT_TRUE(c.SetText("#102030"));
  EXPECT_EQ(c.Red(), 0x10);
  EXPECT_EQ(c.Green(), 0x20);
  EXPECT_EQ(c.Blue(), 0x30);
}

TEST(ColorManager, SettingsKeepTextsVerbatim) {
  TColorManager colors;
  EXPECT_EQ(colors[StatusColor::Copy].color, 0x00FFFFu) << "FFFF00 is yellow";
  EXPECT_EQ(colors[StatusColor::Error].text, "FF0000");

  platform::ProfileFile file;
  file.Parse("[COLOR]\nDefault=#00FF00\nmove=00ff00\nError=zz\nEmpty=\n");
  colors.ReadSettings(file);
  EXPECT_EQ(colors[StatusColor::Default].text, "#00FF00");
  EXPECT_EQ(colors[StatusColor::Default].color, 0x00FF00u);
  EXPECT_EQ(colors[StatusColor::Move].text, "00ff00");
  EXPECT_EQ(colors[StatusColor::Error].color, 0x0000FFu) << "zz leaves Error red";
  EXPECT_EQ(colors[StatusColor::Empty].text, "0000FF");

  platform::ProfileFile out;
  colors.WriteSettings(out);
  EXPECT_EQ(out.Serialize(),
            "[Color]\r\nDefault=#00FF00\r\nMove=00ff00\r\nCopy=FFFF00\r\n"
            "IncorrectExtension=00FF00\r\nSameFile=00FFFF\r\nEmpty=0000FF\r\nError=FF0000\r\n");
}
