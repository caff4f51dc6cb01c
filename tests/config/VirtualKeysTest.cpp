#include "config/VirtualKeys.h"

#include <gtest/gtest.h>

#include "platform/ProfileFile.h"

TEST(VirtualKeys, BindingCodesDecodeFromTheirBits) {
  TVKS k;
  k.SetCode(294);
  EXPECT_EQ(k.KeyCode(), 38);
  EXPECT_EQ(k.Modifiers(), kShift);
  k.SetCode(4133);  // bits above 11 are dropped
  EXPECT_EQ(k.KeyCode(), 37);
  EXPECT_EQ(k.Modifiers(), kNoModifiers);
  EXPECT_TRUE(k.Matches(37, kNoModifiers));
  k.SetCode(2085);  // 0x825: 8 in bits 8-11 carries no modifiers
  EXPECT_EQ(k.KeyCode(), 37);
  EXPECT_EQ(k.Modifiers(), kNoModifiers);
  EXPECT_EQ(k.GetCode(), 37);
  k.SetCode(-1);
  EXPECT_EQ(k.KeyCode(), 255);

  const struct {
    int code;
    ModifierSet modifiers;
  } combos[] = {{65, 0},
                {65 + 256, kShift},
                {65 + 512, kCtrl},
                {65 + 768, kShift | kCtrl},
                {65 + 1024, kAlt},
                {65 + 1280, kShift | kAlt},
                {65 + 1536, kCtrl | kAlt},
                {65 + 1792, kShift | kCtrl | kAlt}};
  for (const auto& c : combos) {
    k.SetCode(c.code);
    EXPECT_EQ(k.Modifiers(), c.modifiers) << c.code;
    EXPECT_EQ(k.GetCode(), c.code);
    EXPECT_EQ(EncodeBinding(65, c.modifiers), c.code);
  }
}

TEST(VirtualKeys, TextsAndExactModifierMatches) {
  TVKS esc(27);
  EXPECT_TRUE(esc.Matches(27, kNoModifiers));
  EXPECT_FALSE(esc.Matches(27, kShift));
  EXPECT_FALSE(esc.Matches(27 + 256, kNoModifiers)) << "a 16-bit key is compared whole";
  TVKS shiftEsc(27 + 256);
  EXPECT_FALSE(shiftEsc.Matches(27, kNoModifiers));
  EXPECT_TRUE(shiftEsc.Matches(27, kShift));

  TVKS k(294);
  EXPECT_EQ(k.GetText(), "294");
  for (const char* bad : {"abc", "-5", "", " 37", "12x", "99999999999"}) {
    EXPECT_FALSE(k.SetText(bad)) << bad;
    EXPECT_EQ(k.GetCode(), 294);
  }
  EXPECT_TRUE(k.SetText("0"));
  EXPECT_EQ(k.GetCode(), 0);
  EXPECT_TRUE(k.SetText("549"));
  EXPECT_TRUE(k.Matches(37, kCtrl));
}

TEST(VirtualKeys, SettingsRoundTripInTheirOrder) {
  TVirtualKeys keys;
  EXPECT_EQ(keys[NavAction::Complete].GetCode(), 240);
  EXPECT_EQ(keys[NavAction::Turn90].GetCode(), 295);
  EXPECT_EQ(keys[NavAction::OneKey].GetCode(), 112);

  platform::ProfileFile file;
  file.Parse("[key]\nleft=4133\nNext=2085\nHead=junk\nTAIL=0x23\n");
  keys.ReadSettings(file);
  EXPECT_TRUE(keys[NavAction::Left].Matches(37, kNoModifiers));
  EXPECT_EQ(keys[NavAction::Next].GetCode(), 37);
  EXPECT_EQ(keys[NavAction::Head].GetCode(), 36) << "not a number: the default";
  EXPECT_EQ(keys[NavAction::Tail].GetCode(), 35);
  EXPECT_EQ(keys[NavAction::Emergency].GetCode(), 27);

  keys[NavAction::Emergency].SetCode(27 + 1024);
  platform::ProfileFile out;
  keys.WriteSettings(out);
  EXPECT_EQ(out.Serialize(),
            "[Key]\r\nOneKey=112\r\nComplete=240\r\nPrevious=37\r\nNext=37\r\nHead=36\r\n"
            "Tail=35\r\nUp=38\r\nDown=40\r\nLeft=37\r\nRight=296\r\n90=295\r\n270=293\r\n"
            "Emergency=1051\r\nParentDirectory=550\r\nChildDirectory=552\r\n"
            "PreviousDirectory=549\r\nNextDirectory=551\r\nUndo=602\r\nRedo=601\r\n"
            "Trash=46\r\nFullScreen=122\r\n");
  TVirtualKeys back;
  back.ReadSettings(out);
  for (const NavActionInfo& info : NavActions())
    EXPECT_EQ(back[info.action].GetCode(), keys[info.action].GetCode()) << info.settingsKey;
}
