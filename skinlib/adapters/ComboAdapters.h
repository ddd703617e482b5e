// Adapters of combo boxes (`TacComboBoxWnd`) and of their drop-down lists
// (`TacComboListWnd`).
//
// The combo box keeps the edit adapter's border and colours and paints its
// drop-down button from the skin's "COMBOBTN" section and the "COMBOBOX"
// glyph: pressed while its list is open, hot while the mouse is over it
// (the manager's hot window) or the box is active. The list gets its
// adapter, and the section's colours as its palette (not in dialog mode),
// when it is first shown; that is the moment a list asks for its colours.
// An editable box's line edit paints its own text; a box without one has
// its text painted beside the button. Qt has no simple combo box (the list
// always shown, no button): a box whose style word says CBS_SIMPLE gets no
// button and a cache of its edit part's height.
//
// GUI thread only.
#pragma once

#include "skinlib/adapters/EditAdapters.h"

#include <QPointer>

#include <cstdint>
#include <memory>

class QComboBox;
class QFrame;

// Set while a drop-down list of a combo box is open.
extern bool ComboDropped;

// The button's rectangle of a combo box `width` x `height` with these
// styles: as wide as a vertical scroll bar unless the box is simple, 2
// pixels in from the edge; at the left with WS_EX_RTLREADING.
platform::TRect ComboButtonRect(std::uint32_t style, std::uint32_t exStyle, int width, int height);

// The height of one image of the skin's "COMBOBOX" glyph (16 without one);
// a mask counting 0 parts counts as 1.
int ComboGlyphSize(const TsSkinManager& manager);

enum class TacComboButtonState { Normal = 0, Hot = 1, Pressed = 2 };

class TacComboListWnd;

class TacComboBoxWnd : public TacEditWnd {
 public:
  TacComboBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  void ApplySkinParams() override;

  virtual platform::TRect ButtonRect() const;
  TacComboButtonState ButtonState() const;
  bool Simple() const;
  QWidget* ListWnd() const { return listWnd_; }
  TacComboListWnd* ListAdapter() const { return listAdapter_.get(); }
  TsCommonData* ButtonData() const { return buttonData_.get(); }

  // The button painted into a bitmap of its rectangle's size: the
  // "COMBOBTN" section in ButtonState, the "COMBOBOX" glyph centred.
  void PaintComboButton(platform::Bitmap& bmp) const;
  // The button's rectangle asked to repaint.
  void RepaintComboButton();
  // A simple box's cache: the window's width and the edit part's height
  // (CB_GETITEMHEIGHT + 8), painted from the section (in dialog mode the
  // GLOBALINFO colour, when it has one).
  void PaintSimpleComboCache();

 protected:
  ~TacComboBoxWnd() override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  // A combo box's border is 3 pixels wide.
  int SkinBorderWidth() const override { return 3; }
  // WM_PRINT: the cache with the text, the border and the button, then
  // the box's children (its line edit) with PRF_CHILDREN.
  void PrintWindow(platform::Canvas& dc, unsigned flags) override;

 private:
  // The list's first show: its adapter and colours.
  void ListShown();
  void PaintComboText(platform::Canvas& dc);

  std::unique_ptr<TsCommonData> buttonData_;
  QPointer<QWidget> listWnd_;
  TacAdapterPtr<TacComboListWnd> listAdapter_;
};

// The list of a combo box. Its frame is its own: a rectangle of the
// list's colour outlined in the border colour (a simple list's cache comes
// from the skin); its bars are the scroll adapter's. A press outside the
// bars in the frame ends with the hit code; the release of a bar's press
// in the drop-down list of a bare combo box keeps the list's capture, as
// an open drop-down list holds the mouse.
class TacComboListWnd : public TacEditWnd {
 public:
  TacComboListWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  bool SimpleList = false;
  // The list's combo box has no control of the program behind it.
  bool BareCombo = false;
  bool ListTracking() const { return listTracking_; }

  // The frame into the cache: a drop-down list's rectangle, a simple
  // list's section look.
  void PaintComboListFrame();

 protected:
  ~TacComboListWnd() override;
  // A list without a frame (its popup draws one around it) gets a plain
  // one-pixel frame while adapted: the band its own frame is painted in.
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  bool KeepsCaptureOnRelease() const override { return BareCombo && !SimpleList; }
  int SkinBorderWidth() const override { return kListBorder; }

 private:
  static constexpr int kListBorder = 2;
  bool listTracking_ = false;
  QPointer<QFrame> framed_;
  int ownFrameStyle_ = 0, ownLineWidth_ = 0;
};

// The rows of a list window (a list box's count, an item view's rows).
int ListItemCount(QWidget* list);
