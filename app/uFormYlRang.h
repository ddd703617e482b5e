// The user's favourite omission ranges, a small floating list kept in the
// file "YLRange.Txt" beside the program: one range per line, "From-To".
// A double click on a range hands its two bounds to whoever opened the list.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The lines of a ranges file (lines end with CR LF or LF).
QStringList ParseRangeLines(std::string_view bytes);
// The file's bytes for the lines, each ended with CR LF.
std::string FormatRangeLines(const QStringList& lines);
// A bound as typed: a non-negative integer (blanks before it, "+", "$" hex
// accepted); false for anything else.
bool ReadRangeBound(const QString& text, int32_t& value);
// The texts before and after the line's first "-" (all of it and "" when
// it has none).
void SplitRangeLine(const QString& line, QString& from, QString& to);

class TfrmYLRange : public QWidget {
 public:
  using TPickEvent = std::function<void(const QString& from, const QString& to)>;

  // Loads the ranges from "YLRange.Txt" in the program's folder; a missing
  // file gives an empty list. A file that is there but cannot be read
  // gives an empty list too and is never written: the first change says
  // so, with the file and why; the others are kept in the list only.
  explicit TfrmYLRange(QWidget* parent = nullptr);

  // Called with the two bounds of a double-clicked range.
  TPickEvent OnPick;

  const std::string& FileName() const { return fileName_; }

  // The components.
  QListWidget* lstYLRange;
  QLineEdit* edtYLFrom;
  QLabel* Label1;
  QLineEdit* edtYLTo;
  QPushButton* BtnAdd;
  QLabel* LabHint;
  QPushButton* BtnDel;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QStringList Lines() const;
  void Save();
  void AddClick();
  void PlaceDeleteButton();
  void DeleteClick();
  void Pick(QListWidgetItem* item);

  std::string fileName_;
  std::optional<std::string> unread_;  // why the file could not be read
  bool unreadTold_ = false;
};

// The shared picker; with create false nullptr until it was first made.
TfrmYLRange* FrmYLRange(bool create = true);
