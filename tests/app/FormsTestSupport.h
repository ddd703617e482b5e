// What the window tests share: one settings folder for the test program
// (the program's folder points there), the recording prompts, a few
// indicators and check-list helpers, and the widgets' headers.
#pragma once

#include "app/ShrinkSupport.h"
#include "app/uConditionWidgets.h"
#include "platform/UserPrompts.h"
#include "support/TempDir.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <memory>

// Indexes in FormulateList().
enum : int { RedBall1 = 7, FrontTails = 49, RedSum = 65, RedSumAmplitude = 67, CompositeGroup = 76, NumberGroup = 87 };
const TFormulate* Formula(int index);
using shrinktest::Range;
// The values of the checked items.
TIntAry Checked(const ICheckList& list);

// Under `window`, every widget that is not hidden and whose parent has a
// layout is placed by that layout (none left lying at the parent's corner).
void ExpectLaidOut(const QWidget* window);

// Every item of the check list lies whole in its viewport, no scroll bar
// shows, and with fullCells each item's cell is as large as its check box
// and text ask.
void ExpectEveryItemInSight(const TCheckListBox& list, const std::string& where, bool fullCells = true);

class FormsTest : public ::testing::Test {
 protected:
  // Empties the folder's settings and ranges files and the condition list.
  void SetUp() override;
  // Frees the shared windows.
  void TearDown() override;
  // The message texts shown so far.
  QStringList Messages() const;

  static testsupport::TempDir& folder;
  platform::RecordingPrompts recording;
  std::unique_ptr<platform::ScopedPrompts> prompts;
};
