// Adapters of push buttons (`TacBtnWnd`, and `TacBitBtnWnd` for buttons
// with a glyph), of check boxes and radio buttons (`TacCheckBoxWnd`) and of
// group boxes (`TacGroupBoxWnd`), with the painting frame and the disabled
// look they share.
//
// Each paints the whole control into the cache bitmap of its skin data and
// copies the cache into the paint event's canvas (or the canvas a WM_PAINT
// or WM_PRINT carries). Outside a paint event nothing is painted: the cache
// is brought up to date and the window asked to repaint. A disabled
// control's finished cache is blended 40 % towards its parent's
// background (its cache at the control's place, else its colour).
//
// The shape follows AdapterBase.h: a paint reads its state once as a value
// (TacBtnState, TacCheckBoxState), each control has one pure layout
// function (BtnCaptionRect, LayoutCheckBox, GroupCaptionRect), and one
// mapping from state to frame (ButtonPaintState, CheckBoxImageState).
//
// Style bits are the window table's (platform/WindowTable.h): a
// QPushButton is BS_PUSHBUTTON or, when default, BS_DEFPUSHBUTTON; a
// QCheckBox BS_AUTOCHECKBOX or BS_AUTO3STATE; a QRadioButton
// BS_AUTORADIOBUTTON (9), or BS_RADIOBUTTON (4) when not auto-exclusive;
// both radio kinds take the radio images. A bit button's VCL traits
// ("Glyph", "NumGlyphs", "Layout", "Margin", "Spacing") are published
// properties read by name; without a "Glyph" its icon (BM_GETIMAGE) is the
// glyph.
//
// The mouse leaving a button or check box (CM_MOUSELEAVE) ends its being
// the manager's hot window, so that its hot look goes with the mouse.
//
// Made like every adapter: TacMainWnd::Create<T>(handle, skinData,
// manager, section, repaint); an empty section takes the class's default
// ("BUTTON", "CHECKBOX", "GROUPBOX"). GUI thread only.
#pragma once

#include "platform/Canvas.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/manager/TextPainting.h"

#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// ------------------------------------------------------------ shared frame

// The adapter paints: its skin data's manager is active and the adapter
// is installed on a window.
bool SkinActive(const TacMainWnd& adapter);

// The disabled look: nothing for an enabled window; else the cache is
// pulled 40 % of the way towards the parent's background: its cache at
// the window's place when the parent hands one out, else its colour (the
// key colour $FF00FF left as it is).
void PaintDisabledLook(platform::Bitmap& cache, QWidget* window);

// The skin data's cache (24 bits) sized to the window, the section painted
// in `state` over the parent's background at the window's place; nullptr
// for a window of no size.
platform::Bitmap* PrepareControlCache(TsCommonData& data, QWidget* window, int state);

// The common painting frame: Updating recomputed; unless updating,
// `prepare` paints the cache, which is copied at (0, 0) in its size into
// the canvas in `wParam` or the paint event's. Outside a paint event and
// without a canvas the cache is prepared and the window asked to repaint.
// True when the cache was copied.
bool PaintThroughCache(TsCommonData& data, QWidget* window, platform::WPARAM wParam,
                       const std::function<void()>& prepare);

// ------------------------------------------------------------ push buttons

// A default push button: for a control of the program the low four style
// bits are BS_DEFPUSHBUTTON; for a bare window the lowest bit is set.
bool IsDefaultButton(std::uint32_t style, bool programControl);

// The state a button is painted in: pressed with BST_PUSHED; normal when
// disabled; hot when focused, the manager's hot window or a default
// button; else normal.
TacButtonState ButtonPaintState(unsigned bmState, bool enabled, bool focused, bool hotWindow, bool defaultButton);

// Where a caption of `text` lies in a button of `client`: centred (left
// one less, right two more), moved by (1, 1) while pressed.
platform::TRect BtnCaptionRect(QSize client, QSize text, bool pressed);

// What one paint of a button, check box or radio button reads from the
// window.
struct TacButtonWindowState {
  TacWindowParams Params;
  std::uint32_t Style = 0;
  unsigned BmState = 0;  // BM_GETSTATE
  bool Enabled = true;
  bool Hot = false;  // the manager's hot window
};
TacButtonWindowState ReadButtonWindow(const TacMainWnd& adapter);

struct TacBtnState : TacButtonWindowState {
  TacButtonState State = TacButtonState::Normal;
};

class TacBtnWnd : public TacMainWnd {
 public:
  // An empty section takes "BUTTON".
  TacBtnWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

  // The button read as it is now (glows cleared while pressed).
  TacBtnState ReadBtnState() const;
  // Paints the whole button into the skin data's cache.
  virtual void PrepareCache();

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

  // The dynamic painting steps.
  virtual void DrawCaption(platform::Canvas& dc, const TacBtnState& s);
  virtual void DrawGlyph(platform::Bitmap& cache, const TacBtnState& s);
  virtual QSize GlyphSize() const { return {}; }
  virtual void WriteCaption(platform::Canvas& dc, const TacBtnState& s, platform::TRect& r, unsigned flags);
  virtual platform::TRect CaptionRect(platform::Canvas& dc, const TacBtnState& s);
  virtual int CaptionWidth(const TacBtnState& s) const;
  QSize CaptionSize(platform::Canvas& dc, const TacBtnState& s);
  // The owner control (a control of the program) or nullptr.
  QWidget* ProgramControl() const;

 private:
  // "Background dirty, WM_PAINT".
  void Repaint();
  // A message passed on with the window's redraw off around it.
  bool PassOnLocked(platform::Message& m, const platform::CallPrevious& previous);

  // The caption's last measure.
  struct TacMeasuredCaption {
    QString Text;
    platform::TFont Font;
    int Width = 0;
    unsigned Flags = 0;
    QSize Size;
    bool OneLine = false;  // a single line without line breaks
  };
  std::optional<TacMeasuredCaption> measured_;
};

// The glyph of a bit button and how it is laid out.
struct TacBitBtnGlyph {
  std::shared_ptr<const platform::Bitmap> Picture;  // none: no glyph
  int NumGlyphs = 1;                          // frames side by side, at least 1
  bool Alpha = false;                         // a picture with its own alpha (PNG)
  TacGlyphLayout Layout = TacGlyphLayout::GlyphLeft;
  int Margin = -1;
  int Spacing = 4;
};

class TacBitBtnWnd : public TacBtnWnd {
 public:
  using TacBtnWnd::TacBtnWnd;

  // The glyph as the button gives it now.
  TacBitBtnGlyph ReadGlyph() const;

 protected:
  void DrawGlyph(platform::Bitmap& cache, const TacBtnState& s) override;
  QSize GlyphSize() const override;
  platform::TRect CaptionRect(platform::Canvas& dc, const TacBtnState& s) override;
  int CaptionWidth(const TacBtnState& s) const override;

 private:
  // The glyph and caption placed in the button.
  TacGlyphTextLayout Layout(platform::Canvas& dc, const TacBtnState& s) const;
};

// ------------------------------------------------------------ check boxes

// The check state: 2 with BST_INDETERMINATE, 1 with BST_CHECKED, else 0.
int CheckBoxCheckState(unsigned bmState);
// A radio button: BS_RADIOBUTTON or BS_AUTORADIOBUTTON in the low bits.
bool IsRadioStyle(std::uint32_t style);
// The GLOBALINFO mask of a check image: "RADIOUNCHECKED", "RADIOCHECKED"
// or "BOXGRAYED" for radio buttons; "BOXUNCHECKED", "BOXCHECKED" or
// "BOXGRAYED" for the rest.
QString CheckBoxMaskName(std::uint32_t style, int checkState);
// The frame of the check image: 2 pushed, 1 focused or hot, else 0.
int CheckBoxImageState(unsigned bmState, bool hotWindow);
// The size of one check image (16 x 16 without a mask).
QSize CheckImageSize(const TsSkinManager* manager, int maskIndex);

struct TacCheckBoxLayout {
  platform::TRect Image;
  platform::TRect Text;  // empty without a caption
};
// Image and text in a check box of `client`: the image vertically centred
// at the left (or the right with BS_LEFTTEXT); the text of `textSize`
// vertically centred right of it (at x = 2 with BS_LEFTTEXT), a
// multi-line text one pixel further left and up.
TacCheckBoxLayout LayoutCheckBox(std::uint32_t style, QSize client, QSize image, QSize textSize);

using TacCheckBoxState = TacButtonWindowState;

class TacCheckBoxWnd : public TacMainWnd {
 public:
  // An empty section takes "CHECKBOX".
  TacCheckBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  TacCheckBoxState ReadCheckBoxState() const;
  void PrepareCache(const TacCheckBoxState& s);
  // The mask index of the image the box shows now (-1: none).
  int ImageIndex(const TacCheckBoxState& s) const;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void Paint(platform::WPARAM wParam);
};

// ------------------------------------------------------------ group boxes

// The caption's rectangle for a text of `text`: from 6 to the text width
// + 14 (at most width - 1), from 0 to max(4, text height) + 2.
platform::TRect GroupCaptionRect(QSize text, int width);

class TacGroupBoxWnd : public TacMainWnd {
 public:
  // An empty section takes "GROUPBOX".
  TacGroupBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // The caption's rectangle in the window's font.
  platform::TRect CaptionRect();
  void PrepareCache();

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void Paint(platform::Message& m);
};
