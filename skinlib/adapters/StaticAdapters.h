// Adapters of static controls: texts (`TacStaticWnd`), pictures
// (`TacIconWnd`: SS_BITMAP, as a QLabel with a pixmap says, or SS_ICON)
// and links (`TacLinkWnd`).
//
// A static paints on WM_ERASEBKGND: the cache takes the control's section
// over its parent's background (PrepareControlCache, ButtonAdapters.h), its
// content is drawn over it and the cache copied into the erase's canvas;
// WM_PAINT and WM_NCPAINT paint nothing more. A static with WS_TABSTOP or
// WS_EX_STATICEDGE is left to the base (a link only for the edge).
//
// Made like every adapter: TacMainWnd::Create<T>(handle, skinData,
// manager, section, repaint); the section is the creator's. GUI thread
// only.
#pragma once

#include "skinlib/adapters/AdapterBase.h"

#include <memory>

namespace platform {
class Bitmap;
}

// A link's text without its "<A>" and "</A>" marks (any case).
QString LinkDisplayText(const QString& caption);

class TacStaticWnd : public TacMainWnd {
 public:
  using TacMainWnd::TacMainWnd;

  // The cache painted anew (section, parent background, content).
  void PrepareStaticCache();

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  // What the static shows, over the section in the cache.
  virtual void PaintContent(platform::Bitmap& cache);
  // The window's styles leave it to the base.
  virtual bool LeftToBase(std::uint32_t style, std::uint32_t exStyle) const;

 private:
  void PaintStatic(platform::WPARAM wParam);
};

class TacIconWnd : public TacStaticWnd {
 public:
  TacIconWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  bool IsBitmap() const { return isBitmap_; }

 protected:
  ~TacIconWnd() override;
  void PaintContent(platform::Bitmap& cache) override;

 private:
  bool isBitmap_ = false;
  std::unique_ptr<platform::Bitmap> bitmap_;
};

class TacLinkWnd : public TacStaticWnd {
 public:
  using TacStaticWnd::TacStaticWnd;

 protected:
  void PaintContent(platform::Bitmap& cache) override;
  bool LeftToBase(std::uint32_t style, std::uint32_t exStyle) const override;
};
