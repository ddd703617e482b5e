#include "app/uFrmMain.h"

#include "app/uConditionWidgets.h"
#include "app/uFormShrink.h"
#include "app/uFormTrend.h"
#include "app/uFrmAbout.h"
#include "app/uFrmChangePwd.h"
#include "app/uFrmLogin.h"
#include "charts/uKLineDef.h"
#include "engine/uIniFileMgr.h"
#include "engine/uLottery.h"
#include "platform/AppPath.h"
#include "platform/UserPrompts.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStylePainter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>
#include <utility>

namespace {

// A control of its own colour draws its text, when disabled, in the grey
// text colour (which vanishes on the colour of the hidden issue lists).
void SetControlColor(QWidget* control, platform::TColor color) {
  control->setProperty("Color", int(color));
  QPalette palette = control->palette();
  const QColor c = platform::ToQColor(color);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
      palette.setColor(group, role, c);
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
    palette.setColor(QPalette::Disabled, role, platform::ToQColor(platform::clGrayText));
  control->setPalette(palette);
}

// A drop-down list whose field, disabled, shows the list's own colour in
// any style, under its text in the grey text colour: the hidden issue lists
// are blank grey in the plain look too, where the style would paint them
// lighter than their colour. Enabled, the style paints it as any other.
class TColorComboBox final : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (isEnabled()) {
      QComboBox::paintEvent(event);
      return;
    }
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.fillRect(style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this),
                     option.palette.base());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }
};

QWidget* TabSheet(QTabWidget* pages, const char* name, const QString& caption) {
  auto* sheet = new QWidget(pages);
  sheet->setObjectName(name);
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 0, 0);
  pages->addTab(sheet, caption);
  return sheet;
}

}  // namespace

TfrmMain::TfrmMain(TMainComponents components, QWidget* parent)
    : QMainWindow(parent), components_(std::move(components)), self_(std::make_shared<TfrmMain*>(this)) {
  setObjectName("frmMain");
  setWindowTitle(QString::fromUtf8(ProjectTitle));
  setProperty("FormStyle", QStringLiteral("fsMDIForm"));
  ExecDialog = platform::RunModal;
  Random = DefaultRandom;
  CreateComponents();
  CreateMenu();
  PlaceNormal();
  // FormCreate.
  if (components_.SetSkinFile) skinProblem_ = components_.SetSkinFile(QString::fromUtf8(MainSkinFile));
  if (components_.SetVersionNumber) components_.SetVersionNumber(QString::fromUtf8(TFrmLogin::VersionNumber));
  closeWithoutAsking_ = false;
  IniFileMgr().SetOnWriteFailed([self = self_](const std::string& file, const std::string& reason) {
    if (*self) (*self)->SettingsWriteFailed(QString::fromStdString(file), QString::fromStdString(reason));
  });
}

void TfrmMain::SettingsWriteFailed(const QString& file, const QString& reason) {
  if (holdSettingsFailure_) {
    heldSettingsFailure_.emplace(file, reason);
    return;
  }
  platform::Prompts().MessageBox(this, QStringLiteral("设置无法保存到 %1：\n%2").arg(file, reason), windowTitle(),
                                 platform::MB_OK | platform::MB_ICONWARNING);
}

void TfrmMain::FreeViews() {
  holdSettingsFailure_ = true;
  delete trend_;
  trend_ = nullptr;
  delete shrink_;
  shrink_ = nullptr;
  holdSettingsFailure_ = false;
  if (std::optional<std::pair<QString, QString>> failure = std::exchange(heldSettingsFailure_, std::nullopt))
    SettingsWriteFailed(failure->first, failure->second);
}

TfrmMain::~TfrmMain() {
  *self_ = nullptr;
  setWindowTitle(QString());
}

// Shown maximized, the window keeps a normal size to go back to: four
// fifths of the screen's free area, centred (once the user gives it another
// size, that one).
void TfrmMain::PlaceNormal() {
  const QRect area = screen()->availableGeometry();
  const QSize size = QSize(area.width() * 4 / 5, area.height() * 4 / 5).expandedTo(minimumSizeHint());
  setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, area));
}

void TfrmMain::CreateComponents() {
  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  setCentralWidget(client);

  PanTran = new QWidget(client);
  PanTran->setObjectName("PanTran");
  auto* row = new QHBoxLayout(PanTran);
  row->setContentsMargins(8, 4, 8, 4);
  Label1 = new QLabel(QStringLiteral("选择期数"), PanTran);
  CboYear = new TColorComboBox(PanTran);
  CboYear->setObjectName("CboYear");
  CboYear->setMinimumWidth(72);
  CboNO = new TColorComboBox(PanTran);
  CboNO->setObjectName("CboNO");
  CboNO->setMinimumWidth(64);
  CboNO->setMaxVisibleItems(20);
  ChkHideNo = new QCheckBox(QStringLiteral("隐藏期号"), PanTran);
  ChkHideNo->setObjectName("ChkHideNo");
  BtnOpen = new QPushButton(QStringLiteral("开奖"), PanTran);
  BtnOpen->setObjectName("BtnOpen");
  edtNums = new QLineEdit(PanTran);
  edtNums->setObjectName("edtNums");
  edtNums->setReadOnly(true);
  edtNums->setMinimumWidth(170);
  SetControlColor(edtNums, platform::clSilver);
  BtnRandomNo = new QPushButton(QStringLiteral("随机期数"), PanTran);
  BtnRandomNo->setObjectName("BtnRandomNo");
  Button1 = new QPushButton(QStringLiteral("颜色"), PanTran);
  Button1->setObjectName("Button1");
  Button1->hide();
  SetControlColor(CboYear, platform::clWindow);
  SetControlColor(CboNO, platform::clWindow);
  for (QWidget* w : std::initializer_list<QWidget*>{Label1, CboYear, CboNO, ChkHideNo, BtnOpen,
                                                    edtNums, BtnRandomNo, Button1})
    row->addWidget(w);
  row->addStretch(1);
  PanTran->hide();
  layout->addWidget(PanTran);

  PageControl1 = new QTabWidget(client);
  PageControl1->setObjectName("PageControl1");
  TabSheet1 = TabSheet(PageControl1, "TabSheet1", QStringLiteral("趋势分析"));
  TabSheet2 = TabSheet(PageControl1, "TabSheet2", QStringLiteral("号码缩水"));
  PageControl1->setCurrentWidget(TabSheet1);
  layout->addWidget(PageControl1, 1);

  connect(CboYear, &QComboBox::activated, this, [this] { CboYearClick(); });
  connect(CboNO, &QComboBox::activated, this, [this] { CboNOClick(); });
  connect(BtnOpen, &QPushButton::clicked, this, [this] { BtnOpenClick(); });
  connect(BtnRandomNo, &QPushButton::clicked, this, [this] { BtnRandomNoClick(); });
  connect(ChkHideNo, &QCheckBox::toggled, this, [this] { ChkHideNoClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TfrmMain::CreateMenu() {
  QMenuBar* bar = menuBar();
  N1 = bar->addMenu(QStringLiteral("模式"));
  popAnaly = N1->addAction(QStringLiteral("分析模式"));
  popAnaly->setCheckable(true);
  popAnaly->setChecked(true);
  popTran = N1->addAction(QStringLiteral("训练模式"));
  popTran->setCheckable(true);
  connect(popAnaly, &QAction::triggered, this, [this] { ModeClick(popAnaly, popTran); });
  connect(popTran, &QAction::triggered, this, [this] { ModeClick(popTran, popAnaly); });

  N3 = bar->addMenu(QStringLiteral("系统"));
  N8 = N3->addAction(QStringLiteral("修改密码"));
  N3->addSeparator();
  N4 = N3->addAction(QStringLiteral("检查更新"));
  N5 = N3->addAction(QStringLiteral("帮助"));
  N6 = N3->addAction(QStringLiteral("关于"));
  N3->addSeparator();
  N9 = N3->addAction(QStringLiteral("退出"));
  // Without an upgrade component there is nothing to check with.
  N4->setEnabled(bool(components_.StartUpdateCheck));
  connect(N8, &QAction::triggered, this, [this] {
    TFrmChangePwd dialog(this);
    ShowDialog(dialog);
  });
  connect(N4, &QAction::triggered, this, [this] {
    if (components_.StartUpdateCheck) components_.StartUpdateCheck();
  });
  connect(N6, &QAction::triggered, this, [this] {
    TfrmAbout dialog(this);
    ShowDialog(dialog);
  });
  connect(N9, &QAction::triggered, this, [this] { close(); });
}

void TfrmMain::ShowDialog(QDialog& dialog) { ExecDialog(dialog); }

// ------------------------------------------------------------ start and end

void TfrmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!e->spontaneous()) FormShow();
}

void TfrmMain::FormShow() {
  if (!trend_) {
    trend_ = new TFrmTrend(TabSheet1);
    trend_->OnAddShrinkCondition = AddShrinkCondition;
    TabSheet1->layout()->addWidget(trend_);
    trend_->show();
    // Each tab shows the picture of its view's main tool.
    PageControl1->setTabIcon(0, trend_->BtnPLKLine->icon());
  }
  if (!shrink_) {
    shrink_ = new TFrmShrink(TabSheet2);
    TabSheet2->layout()->addWidget(shrink_);
    shrink_->show();
    PageControl1->setTabIcon(1, shrink_->btnfilter->icon());
  }
  showing_ = true;
  platform::SendMessage(this, WM_SHOWLOGIN);
  showing_ = false;
  if (closeWithoutAsking_) return;
  // The skin goes on once the sign-in has ended. As the owner of the closed
  // modal dialog, the frame takes the activation back: a window manager may
  // not hand it over, and without one nothing would.
  if (components_.SetSkinActive) components_.SetSkinActive(true);
  if (!skinProblem_.isEmpty()) {
    const QString file = QString::fromStdString(platform::GetAppPath()) + QString::fromUtf8(MainSkinFile);
    platform::Prompts().MessageBox(
        this, QStringLiteral("皮肤文件 %1 无法使用：%2\n程序以标准外观运行。").arg(file, std::exchange(skinProblem_, {})),
        windowTitle(), platform::MB_OK | platform::MB_ICONWARNING);
  }
  activateWindow();
}

bool TfrmMain::event(QEvent* e) {
  if (e->type() == QEvent::Type(WM_SHOWLOGIN)) {
    ShowLogin();
    return true;
  }
  return QMainWindow::event(e);
}

void TfrmMain::ShowLogin() {
  TFrmLogin dialog(this);
  if (components_.LoginCreated) components_.LoginCreated(dialog);
  std::this_thread::sleep_for(LoginDelay);
  if (ExecDialog(dialog) == QDialog::Accepted) return;
  closeWithoutAsking_ = true;
  // Closed in the middle of its first show, the frame would still be put
  // on the screen when the show ends: it stays off the screen instead.
  if (showing_) setAttribute(Qt::WA_DontShowOnScreen);
  close();
}

void TfrmMain::setVisible(bool visible) {
  QMainWindow::setVisible(visible);
  if (testAttribute(Qt::WA_DontShowOnScreen) && closeWithoutAsking_ && !showing_)
    setAttribute(Qt::WA_DontShowOnScreen, false);
}

void TfrmMain::closeEvent(QCloseEvent* e) {
  if (!closeWithoutAsking_ &&
      platform::Prompts().MessageBox(this, QStringLiteral("是否要退出本软件？"), windowTitle(),
                                     platform::MB_OKCANCEL | platform::MB_ICONINFORMATION) !=
          platform::IDOK) {
    e->ignore();
    return;
  }
  e->accept();
  // The views save their settings as they go: they go now, while this
  // window can still tell the user when the settings file cannot be written.
  FreeViews();
  if (OnClose) OnClose();
}

// ---------------------------------------------------------------- modes

bool TfrmMain::TrainingMode() const { return popTran->isChecked(); }

// The click has toggled the item. Chosen again, the mode in force keeps its
// check and nothing changes; the other mode takes the check from it.
void TfrmMain::ModeClick(QAction* clicked, QAction* other) {
  if (!clicked->isChecked()) {
    clicked->setChecked(true);
    return;
  }
  other->setChecked(false);
  ApplyMode();
}

void TfrmMain::ApplyMode() {
  const bool training = TrainingMode();
  PanTran->setVisible(training);
  if (training) {
    if (CboYear->count() == 0 && !YearIndex.empty()) {
      for (const TLotInterval& year : YearIndex) CboYear->addItem(QString::fromStdString(year.YearText));
      CboYear->setCurrentIndex(0);
      CboYearClick();
    }
    ChartParams().ShowIssueNo = !ChkHideNo->isChecked();
    RefreshCurrentIndex();
  } else {
    CurrentIndex = DrawHistory.Count() - 1;
    ChartParams().ShowIssueNo = true;
  }
  UpdateTrainingControls();
}

void TfrmMain::UpdateTrainingControls() {
  // Without a history there is no issue to choose or to reveal.
  const bool history = CboYear->count() > 0 && !DrawHistory.Empty();
  const bool issuesShown = !ChkHideNo->isChecked();
  CboYear->setEnabled(history && issuesShown);
  CboNO->setEnabled(history && issuesShown);
  for (QWidget* w : std::initializer_list<QWidget*>{ChkHideNo, BtnOpen, BtnRandomNo}) w->setEnabled(history);
}

int TfrmMain::SelectedYear() const {
  const int y = CboYear->currentIndex();
  return y >= 0 && y < int(YearIndex.size()) ? y : -1;
}

void TfrmMain::RefreshCurrentIndex() {
  const int y = SelectedYear();
  if (y < 0 || DrawHistory.Empty()) return;
  // A year's list runs to the issue number of its newest draw; where the
  // history skips issues the choice stops at the year's newest draw.
  const int32_t newestOfYear = y == 0 ? DrawHistory.Count() - 1 : YearIndex[size_t(y) - 1].FirstIndex - 1;
  CurrentIndex = std::min(YearIndex[size_t(y)].FirstIndex + std::max(CboNO->currentIndex(), 0), newestOfYear);
}

void TfrmMain::FillIssues() {
  CboNO->clear();
  const int y = SelectedYear();
  if (y < 0) return;
  for (int32_t i = 1; i <= YearIndex[size_t(y)].IssueCount; ++i)
    CboNO->addItem(QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')));
  CboNO->setCurrentIndex(0);
}

void TfrmMain::ShowCurrentIssue() {
  if (SelectedYear() < 0 || DrawHistory.Empty()) return;
  RefreshCurrentIndex();
  edtNums->setText(QString::fromStdString(DrawHistory[size_t(CurrentIndex)].NumText));
  if (trend_) trend_->RedrawLast();
}

void TfrmMain::CboYearClick() {
  FillIssues();
  ShowCurrentIssue();
}

void TfrmMain::CboNOClick() { ShowCurrentIssue(); }

void TfrmMain::BtnOpenClick() {
  const int y = SelectedYear();
  if (y < 0) return;
  if (CboNO->currentIndex() < CboNO->count() - 1) {
    CboNO->setCurrentIndex(CboNO->currentIndex() + 1);
  } else if (y == 0) {
    platform::Prompts().MessageBox(this, QStringLiteral("已经到最新一期了！"), windowTitle(),
                                   platform::MB_OK | platform::MB_ICONINFORMATION);
    return;
  } else {
    CboYear->setCurrentIndex(y - 1);
    FillIssues();
  }
  ShowCurrentIssue();
}

void TfrmMain::BtnRandomNoClick() {
  if (CboYear->count() == 0 || DrawHistory.Empty()) return;
  // A draw with a next one to reveal: any year, the newest only when it
  // holds more than its newest draw; the year's last issue is never drawn.
  const bool newestHasTwo = YearIndex[0].FirstIndex < DrawHistory.Count() - 1;
  const int32_t years = CboYear->count() - (newestHasTwo ? 0 : 1);
  CboYear->setCurrentIndex(years > 0 ? Random(years) + (newestHasTwo ? 0 : 1) : 0);
  FillIssues();
  CboNO->setCurrentIndex(Random(CboNO->count() - 1));
  ShowCurrentIssue();
}

void TfrmMain::ChkHideNoClick() {
  const bool hide = ChkHideNo->isChecked();
  ChartParams().ShowIssueNo = !hide;
  for (QComboBox* combo : {CboYear, CboNO})
    SetControlColor(combo, hide ? HiddenComboColor : platform::clWindow);
  UpdateTrainingControls();
}

void TfrmMain::Button1Click() {
  if (std::optional<platform::TColor> color = platform::Prompts().ChooseColor(this, ControlColor(CboYear))) {
    SetControlColor(CboYear, *color);
    edtNums->setText(QString::number(*color));
  }
}

platform::TColor TfrmMain::ControlColor(const QWidget* control) {
  const QVariant color = control->property("Color");
  return color.isValid() ? platform::TColor(color.toInt()) : platform::clWindow;
}
