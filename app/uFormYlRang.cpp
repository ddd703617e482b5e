#include "app/uFormYlRang.h"

#include "app/uConditionWidgets.h"
#include "platform/AppPath.h"
#include "platform/DelphiRtl.h"
#include "platform/Encoding.h"
#include "platform/FileUtil.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <utility>

QStringList ParseRangeLines(std::string_view bytes) {
  const QString text = QString::fromStdString(platform::Cp936ToUtf8(bytes));
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the last line's end
  for (QString& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return lines;
}

std::string FormatRangeLines(const QStringList& lines) {
  std::string bytes;
  for (const QString& line : lines) bytes += platform::Utf8ToCp936(line.toStdString()) + "\r\n";
  return bytes;
}

bool ReadRangeBound(const QString& text, int32_t& value) {
  int32_t v = 0;
  if (!platform::TryStrToInt(text.toStdString(), v) || v < 0) return false;
  value = v;
  return true;
}

void SplitRangeLine(const QString& line, QString& from, QString& to) {
  const qsizetype dash = line.indexOf(QLatin1Char('-'));
  from = dash < 0 ? line : line.left(dash);
  to = dash < 0 ? QString() : line.mid(dash + 1);
}

TfrmYLRange::TfrmYLRange(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmYLRange"));
  setWindowTitle(QStringLiteral("常用遗漏范围"));
  lstYLRange = new QListWidget(this);
  lstYLRange->setObjectName(QStringLiteral("lstYLRange"));
  LabHint = new QLabel(QStringLiteral("双击选中遗漏范围"), this);
  edtYLFrom = new QLineEdit(this);
  edtYLFrom->setObjectName(QStringLiteral("edtYLFrom"));
  Label1 = new QLabel(QStringLiteral("至"), this);
  edtYLTo = new QLineEdit(this);
  edtYLTo->setObjectName(QStringLiteral("edtYLTo"));
  BtnAdd = new QPushButton(QStringLiteral("添加(&A)"), this);
  BtnAdd->setObjectName(QStringLiteral("BtnAdd"));
  // Floats over the list beside the selected row, outside the layout.
  BtnDel = new QPushButton(QStringLiteral("删除"), this);
  BtnDel->setObjectName(QStringLiteral("BtnDel"));
  BtnDel->hide();

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->addWidget(lstYLRange, 0, 0, 1, 4);
  grid->addWidget(LabHint, 1, 0, 1, 4);
  grid->addWidget(edtYLFrom, 2, 0);
  grid->addWidget(Label1, 2, 1);
  grid->addWidget(edtYLTo, 2, 2);
  grid->addWidget(BtnAdd, 2, 3);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  resize(220, 280);

  connect(BtnAdd, &QPushButton::clicked, this, [this] { AddClick(); });
  connect(BtnDel, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(lstYLRange, &QListWidget::itemSelectionChanged, this, [this] { PlaceDeleteButton(); });
  connect(lstYLRange, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { Pick(item); });
  connect(lstYLRange->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceDeleteButton(); });

  fileName_ = platform::GetAppPath() + "YLRange.Txt";
  std::string error;
  if (const auto bytes = platform::ReadFileIfThere(fileName_, &error))
    lstYLRange->addItems(ParseRangeLines(*bytes));
  else
    unread_ = error;
}

QStringList TfrmYLRange::Lines() const {
  QStringList lines;
  for (int i = 0; i < lstYLRange->count(); ++i) lines << lstYLRange->item(i)->text();
  return lines;
}

void TfrmYLRange::Save() {
  std::string error;
  if (unread_) {
    // The list was not read from the file: written, it would replace the
    // file's ranges. Said at the first change only.
    if (std::exchange(unreadTold_, true)) return;
    error = platform::UnreadFileKeptText(*unread_);
  } else if (platform::WriteFileAtomic(fileName_, FormatRangeLines(Lines()), &error)) {
    return;
  }
  ShowMessage(this, QStringLiteral("遗漏范围无法保存到 %1：\n%2")
                        .arg(QString::fromStdString(fileName_), QString::fromStdString(error)));
}

void TfrmYLRange::AddClick() {
  int32_t from = 0, to = 0;
  for (auto [edit, value] : {std::pair{edtYLFrom, &from}, std::pair{edtYLTo, &to}}) {
    if (!ReadRangeBound(edit->text(), *value)) {
      edit->setFocus();
      ShowMessage(this, QStringLiteral("请输入数字!"));
      return;
    }
  }
  // Stored in plain decimal, so the line always splits at its one "-".
  lstYLRange->addItem(QString::number(from) + QLatin1Char('-') + QString::number(to));
  Save();
}

void TfrmYLRange::PlaceDeleteButton() {
  QListWidgetItem* item = lstYLRange->currentItem();
  if (!item || !item->isSelected()) {
    BtnDel->hide();
    return;
  }
  const QRect row = lstYLRange->visualItemRect(item);
  const QPoint topLeft = lstYLRange->viewport()->mapTo(this, row.topLeft());
  const QPoint listRight = lstYLRange->viewport()->mapTo(this, QPoint(lstYLRange->viewport()->width(), 0));
  const int height = std::max(row.height(), BtnDel->sizeHint().height() - 6);
  const int width = BtnDel->sizeHint().width();
  BtnDel->setGeometry(listRight.x() - width, topLeft.y(), width, height);
  BtnDel->setVisible(row.intersects(lstYLRange->viewport()->rect()));
  BtnDel->raise();
}

void TfrmYLRange::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceDeleteButton();
}

void TfrmYLRange::DeleteClick() {
  const int row = lstYLRange->currentRow();
  if (row < 0) return;
  delete lstYLRange->takeItem(row);
  lstYLRange->clearSelection();
  BtnDel->hide();
  Save();
}

void TfrmYLRange::Pick(QListWidgetItem* item) {
  if (!item) return;
  QString from, to;
  SplitRangeLine(item->text(), from, to);
  if (OnPick) OnPick(from, to);
  hide();
}

TfrmYLRange* FrmYLRange(bool create) { return SharedWindow<TfrmYLRange>(create); }
