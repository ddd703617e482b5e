#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFormYlRang.h"
#include "app/uFrmFormula.h"
#include "engine/uCdtList.h"
#include "engine/uIniFileMgr.h"
#include "support/SettingsSandbox.h"

#include <QApplication>
#include <QLayout>

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
