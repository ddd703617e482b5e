#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFormYlRang.h"
#include "app/uFrmFormula.h"
#include "engine/uCdtList.h"
#include "engine/uIniFileMgr.h"
#include "platform/AppPath.h"

#include <QApplication>
#include <QLayout>
#include <QMouseEvent>

#include <filesystem>

namespace {

testsupport::TempDir& SettingsFolder() {
  static testsupport::TempDir dir;
  return dir;
}

// Set before anything reads the settings.
class SettingsSandbox : public ::testing::Environment {
 public:
  void SetUp() override {
    platform::SetAppPathOverride(SettingsFolder().Path());
    IniFileMgr();
  }
  void TearDown() override { platform::SetAppPathOverride(""); }
};

[[maybe_unused]] ::testing::Environment* const sandbox = ::testing::AddGlobalTestEnvironment(new SettingsSandbox);

}  // namespace

testsupport::TempDir& FormsTest::folder = SettingsFolder();

const TFormulate* Formula(int index) { return FormulateList().GetItem(index); }

TIntAry Range(int32_t first, int32_t last, int32_t step) {
  TIntAry r;
  for (int32_t v = first; v <= last; v += step) r.push_back(v);
  return r;
}

TIntAry Checked(const ICheckList& list) {
  TIntAry values;
  GetCheckedValues(list, values);
  return values;
}

void Mouse(TCheckListBox* list, QEvent::Type type, int index, Qt::MouseButtons buttons) {
  const QPointF p = list->visualItemRect(list->item(index)).center();
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton
                                  : buttons & Qt::RightButton ? Qt::RightButton
                                                              : Qt::LeftButton;
  QMouseEvent event(type, p, list->viewport()->mapToGlobal(p), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &event);
}

void DragOver(TCheckListBox* list, const std::vector<int>& indexes) {
  Mouse(list, QEvent::MouseButtonPress, indexes.front(), Qt::LeftButton);
  for (size_t i = 1; i < indexes.size(); ++i) Mouse(list, QEvent::MouseMove, indexes[i], Qt::LeftButton);
  Mouse(list, QEvent::MouseButtonRelease, indexes.back(), Qt::NoButton);
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
