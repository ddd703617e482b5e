// The controls demo form: its controls neither overlap their siblings nor
// leave their parents, and no caption is wider than its control; its skin
// holds the sections of every adapter it shows.
#include "skinlib/support/ControlsDemo.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

TEST(ControlsDemoForm, ControlsKeepClearOfEachOther) {
  QWidget form;
  const testskins::ControlsDemoForm d = testskins::MakeControlsDemoForm(&form);
  const std::vector<QWidget*> controls = d.Controls();
  ASSERT_EQ(controls.size(), 26u);
  for (size_t i = 0; i < controls.size(); ++i) {
    QWidget* a = controls[i];
    ASSERT_NE(a, nullptr) << i;
    const QRect inside(QPoint(), a->parentWidget()->size());
    EXPECT_TRUE(inside.contains(a->geometry())) << a->metaObject()->className() << " " << i;
    for (size_t j = i + 1; j < controls.size(); ++j) {
      QWidget* b = controls[j];
      if (b->parentWidget() != a->parentWidget()) continue;
      EXPECT_FALSE(a->geometry().intersects(b->geometry())) << i << " and " << j;
    }
  }
}

TEST(ControlsDemoForm, CaptionsFitTheirControls) {
  QWidget form;
  const testskins::ControlsDemoForm d = testskins::MakeControlsDemoForm(&form);
  const testskins::ButtonDemoPart& b = d.Buttons;
  // A check image and its gap stand left of a box's caption.
  const struct {
    QWidget* control;
    QString text;
    int besides;
  } rows[] = {
      {b.Check, b.Check->text(), testskins::kCheckImageSize + 2},
      {b.Tristate, b.Tristate->text(), testskins::kCheckImageSize + 2},
      {b.Radio, b.Radio->text(), testskins::kCheckImageSize + 2},
      {b.PlainRadio, b.PlainRadio->text(), testskins::kCheckImageSize + 2},
      {b.Label, b.Label->text(), 0},
      {b.Default, b.Default->text(), 8},
      {b.Button, b.Button->text(), 8},
      {b.BitButton, b.BitButton->text(), 8 + 16},
      {b.Disabled, b.Disabled->text(), 8},
  };
  for (const auto& row : rows) {
    const QFontMetrics fm(row.control->font());
    EXPECT_LE(fm.horizontalAdvance(row.text) + row.besides, row.control->width()) << row.text.toStdString();
  }
}

TEST(ControlsDemoForm, SkinHoldsEveryAdaptersSection) {
  const testskins::TestSkin skin = testskins::ControlsDemoSkin();
  EXPECT_EQ(skin.Name, QStringLiteral("ControlsDemo"));
  const auto has = [&](const char* name) {
    for (const testskins::SkinSection& s : skin.Sections)
      if (s.Name == QLatin1String(name)) return true;
    return false;
  };
  for (const char* name : {"BUTTON", "CHECKBOX", "GROUPBOX", "PANEL_LOW", "SPEEDBUTTON_SMALL", "UPDOWNBTN", "BAR",
                           "DIVIDER", "TOOLBAR", "STATUSBAR", "SPEEDBUTTON", "PAGECONTROL", "TABTOP", "TABLEFT",
                           "COMBOBOX", "GLOBALINFO"})
    EXPECT_TRUE(has(name)) << name;
  // Sections several parts give take the button part's values: boxes see
  // through, group boxes keep their gradient.
  const auto value = [&](const char* section, const char* key) {
    for (const testskins::SkinSection& s : skin.Sections)
      if (s.Name == QLatin1String(section))
        for (const testskins::SkinKey& k : s.Keys)
          if (k.Key == QLatin1String(key)) return k.Value;
    return QString();
  };
  EXPECT_EQ(value("CHECKBOX", "TRANSPARENCY"), QStringLiteral("100"));
  EXPECT_EQ(value("GROUPBOX", "GRADIENTPERCENT"), QStringLiteral("40"));
}

}  // namespace
