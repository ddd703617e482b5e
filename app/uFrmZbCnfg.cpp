#include "app/uFrmZbCnfg.h"

#include "app/uConditionWidgets.h"
#include "platform/DelphiRtl.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

// Rows start here, one below the other.
constexpr int FirstRowTop = 30;
constexpr int RowGap = 8;
constexpr int LabelLeft = 16;
constexpr int EditGap = 5;
constexpr int EditWidth = 40;
constexpr int ClientWidth = 144;
// Below the buttons (the client area; the old height counted the frame).
constexpr int BottomMargin = 12;

}  // namespace

TFrmZbCnfg::TFrmZbCnfg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FrmZbCnfg"));
  setWindowTitle(QStringLiteral("参数设置"));
  BtnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
  BtnOK->setObjectName(QStringLiteral("BtnOK"));
  BtnOK->setDefault(true);
  BtnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
  BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
  const int buttonWidth = (ClientWidth - 3 * 8) / 2;
  BtnOK->setGeometry(8, FirstRowTop, buttonWidth, BtnOK->sizeHint().height());
  BtnCancel->setGeometry(ClientWidth - 8 - buttonWidth, FirstRowTop, buttonWidth, BtnCancel->sizeHint().height());
  setFixedSize(ClientWidth, 304);
  connect(BtnOK, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmZbCnfg::BuildParams(const std::vector<TZBParam>& params) {
  // The edits stand in one column right of the widest label; each label
  // sits level with its edit.
  int labelWidth = 0;
  for (const TZBParam& param : params) {
    auto* label = new QLabel(QString::fromStdString(param.Caption + "  "), this);
    label->adjustSize();
    labelWidth = std::max(labelWidth, label->width());
    labels_.push_back(label);
  }
  int y = FirstRowTop;
  int width = ClientWidth;
  QWidget* previous = nullptr;
  for (size_t i = 0; i < params.size(); ++i) {
    const TZBParam& param = params[i];
    auto* edit = new QLineEdit(QString::number(param.Value ? *param.Value : 0), this);
    const int editHeight = edit->sizeHint().height();
    edit->setGeometry(labelWidth + LabelLeft + EditGap, y - 3, EditWidth, editHeight);
    labels_[i]->setGeometry(LabelLeft, y - 3, labelWidth, editHeight);
    labels_[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    width = std::max(width, edit->geometry().right() + LabelLeft);
    if (previous) setTabOrder(previous, edit);
    previous = edit;
    edits_.push_back(edit);
    values_.push_back(param.Value);
    y += editHeight + RowGap;
  }
  if (previous) {
    setTabOrder(previous, BtnOK);
    setTabOrder(BtnOK, BtnCancel);
  }
  const int top = y + 10;
  BtnOK->move(BtnOK->x(), top);
  BtnCancel->move(width - (ClientWidth - BtnCancel->x()), top);
  setFixedSize(width, top + BtnOK->height() + BottomMargin);
}

// The first digits typed go into the first edit, over its value. Shown
// again by the window system (its owner minimized and restored), the
// dialog keeps the focus where the user left it.
void TFrmZbCnfg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous() || edits_.empty()) return;
  edits_.front()->setFocus();
  edits_.front()->selectAll();
}

void TFrmZbCnfg::OkClick() {
  std::vector<int32_t> read(edits_.size());
  for (size_t i = 0; i < edits_.size(); ++i) {
    if (!platform::TryStrToInt(edits_[i]->text().toStdString(), read[i])) {
      ShowMessage(this, QStringLiteral("请设置数字作为参数！"));
      return;
    }
  }
  for (size_t i = 0; i < edits_.size(); ++i)
    if (values_[i]) *values_[i] = read[i];
  accept();
}
