#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFormYlRang.h"
#include "app/uFrmFormula.h"
#include "engine/uCdtList.h"
#include "engine/uIniFileMgr.h"
#include "support/SettingsSandbox.h"

#include <QApplication>
#include <QLayout>
#include <QScrollBar>

#include <filesystem>

testsupport::TempDir& FormsTest::folder = testsupport::SettingsSandbox::Folder();

const TFormulate* Formula(int index) { return FormulateList().GetItem(index); }

TIntAry Checked(const ICheckList& list) {
  TIntAry values;
  GetCheckedValues(list, values);
  return values;
}

namespace {

bool Manages(const QLayout* layout, const QWidget* w) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == w || (item->layout() && Manages(item->layout(), w))) return true;
  }
  return false;
}

}  // namespace

void ExpectLaidOut(const QWidget* window) {
  for (const QWidget* w : window->findChildren<QWidget*>()) {
    const QWidget* parent = w->parentWidget();
    if (!w->isHidden() && !w->isWindow() && parent && parent->layout()) {
      EXPECT_TRUE(Manages(parent->layout(), w)) << w->metaObject()->className() << " " << w->objectName().toStdString()
                                                << " in " << parent->objectName().toStdString();
    }
  }
}

void ExpectEveryItemInSight(const TCheckListBox& list, const std::string& where, bool fullCells) {
  const std::string name = where + " " + list.objectName().toStdString();
  EXPECT_FALSE(list.horizontalScrollBar()->isVisible() || list.verticalScrollBar()->isVisible()) << name;
  const QRect viewport = list.viewport()->rect();
  const QSize cell = list.gridSize();
  for (int i = 0; i < list.count(); ++i) {
    const QRect r = list.visualItemRect(list.item(i));
    const QSize asked = list.sizeHintForIndex(list.model()->index(i, 0));
    EXPECT_TRUE(viewport.contains(r) && (!fullCells || (cell.width() >= asked.width() && cell.height() >= asked.height())))
        << name << ": item \"" << list.ItemText(i).toStdString() << "\" at " << r.x() << "," << r.y() << " in a cell of "
        << cell.width() << "x" << cell.height() << ", the viewport " << viewport.width() << "x" << viewport.height()
        << "; it asks " << asked.width() << "x" << asked.height();
  }
}

void FormsTest::SetUp() {
  prompts = std::make_unique<platform::ScopedPrompts>(recording);
  std::filesystem::remove(IniFileMgr().FileName());
  std::filesystem::remove(folder.File("YLRange.Txt"));
  CdtList().Clear();
}

void FormsTest::TearDown() {
  delete FrmChoose(false);
  delete FrmYLRange(false);
  CdtList().Clear();
  prompts.reset();
}

QStringList FormsTest::Messages() const {
  QStringList texts;
  for (const auto& call : recording.Calls)
    if (call.Kind == "MessageBox") texts << call.Text;
  return texts;
}
