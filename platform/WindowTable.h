// The window table: what Windows kept about every window, read from Qt's
// widgets. A window handle is a QWidget*.
//
// - Class names: Qt's classes answer with the names the old framework and
//   the system gave their counterparts ("TButton", "#32768" for a popup
//   menu, "#32770" for Qt's standard dialogs, "ScrollBar" …); inside a
//   standard dialog the controls answer with the system's control names
//   ("Button", "Static", "Edit", "ComboBox", "SysListView32" …). Classes
//   of the program keep their own names.
// - The inner parts of Qt's composite widgets (the edit of a combo box or
//   spin box, a combo box's drop-down list, a scroll area's viewport and
//   scroll bars) are raw windows: ControlFromWindow gives nullptr for them.
// - Classes of the program answer with their own C++ names (Qt's
//   meta-object where the class has one, else the run-time type).
// - Style words come from the widget's flags and state; SetWindowLong
//   never shows, hides, minimizes or maximizes: it applies WS_DISABLED, a
//   cleared WS_VISIBLE stops the window's painting (IsWindowVisible is
//   false) until the bit is set again, WS_EX_LEFTSCROLLBAR together with
//   WS_EX_RTLREADING is right-to-left layout; it keeps every other bit it
//   is given that the widget's state does not say (a bit set back to what
//   the state says follows the state again). A new style word is offered
//   to the window as WM_STYLECHANGING (WParam GWL_STYLE or GWL_EXSTYLE,
//   LParam a STYLESTRUCT* whose styleNew a handler may change) and told
//   as WM_STYLECHANGED; a change of layout direction tells the extended
//   style the same way.
// - Rectangles: the window rectangle in screen coordinates; the client
//   area is the widget's contents rectangle (a QFrame's inside its frame).
// - Window properties, the Tag (the dynamic property "Tag") and the user
//   data live on the widget and go with it.
// - Sibling order is the stacking order, topmost first.
#pragma once

#include "platform/WinTypes.h"

#include <QPoint>
#include <QString>

#include <cstdint>

class QWidget;

namespace platform {

constexpr int GWL_WNDPROC = -4, GWL_HINSTANCE = -6, GWL_HWNDPARENT = -8, GWL_ID = -12,
              GWL_STYLE = -16, GWL_EXSTYLE = -20, GWL_USERDATA = -21;

// Window styles (WS_TABSTOP and WS_GROUP share their bits with the
// maximize and minimize boxes, which only windows have).
constexpr std::uint32_t WS_OVERLAPPED = 0x0, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                        WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000,
                        WS_DISABLED = 0x08000000, WS_CLIPSIBLINGS = 0x04000000,
                        WS_CLIPCHILDREN = 0x02000000, WS_MAXIMIZE = 0x01000000,
                        WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000,
                        WS_DLGFRAME = 0x00400000, WS_VSCROLL = 0x00200000,
                        WS_HSCROLL = 0x00100000, WS_SYSMENU = 0x00080000,
                        WS_THICKFRAME = 0x00040000, WS_GROUP = 0x00020000,
                        WS_TABSTOP = 0x00010000, WS_MINIMIZEBOX = 0x00020000,
                        WS_MAXIMIZEBOX = 0x00010000;
constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x1, WS_EX_TOPMOST = 0x8, WS_EX_TRANSPARENT = 0x20,
                        WS_EX_MDICHILD = 0x40, WS_EX_TOOLWINDOW = 0x80, WS_EX_CLIENTEDGE = 0x200,
                        WS_EX_CONTEXTHELP = 0x400, WS_EX_RIGHT = 0x1000,
                        WS_EX_RTLREADING = 0x2000, WS_EX_LEFTSCROLLBAR = 0x4000,
                        WS_EX_STATICEDGE = 0x20000, WS_EX_APPWINDOW = 0x40000,
                        WS_EX_LAYERED = 0x80000, WS_EX_NOACTIVATE = 0x08000000;

// Where the bits come from. Derived bits follow the widget; kept bits have
// no Qt source: a window has one only after SetWindowLong gave it.
//   derived, GWL_STYLE:
//     WS_CHILD WS_POPUP WS_VISIBLE WS_DISABLED WS_MINIMIZE WS_MAXIMIZE
//     WS_CAPTION WS_SYSMENU WS_MINIMIZEBOX WS_MAXIMIZEBOX WS_THICKFRAME
//     WS_TABSTOP                  the window flags, the widget's state
//     WS_BORDER                   a QFrame's plain line
//     WS_HSCROLL WS_VSCROLL       a scroll area's shown bars
//     DS_MODALFRAME               a QDialog of fixed size
//   derived, GWL_EXSTYLE:
//     WS_EX_DLGMODALFRAME WS_EX_CONTEXTHELP WS_EX_TOOLWINDOW WS_EX_TOPMOST
//     WS_EX_NOACTIVATE WS_EX_LAYERED WS_EX_TRANSPARENT   window flags, attributes
//     WS_EX_RIGHT WS_EX_RTLREADING WS_EX_LEFTSCROLLBAR   right-to-left layout
//     WS_EX_CLIENTEDGE            a sunken StyledPanel or WinPanel frame (a
//                                 scroll area's too), a sunken Panel at least
//                                 2 wide, a line edit, combo or spin box with
//                                 a frame, an MDI area
//     WS_EX_STATICEDGE            a sunken Panel 1 wide
//   derived for an MDI child's form (the widget in a QMdiSubWindow), from its
//   sub-window: WS_CAPTION WS_SYSMENU WS_MINIMIZEBOX WS_MAXIMIZEBOX
//     WS_THICKFRAME WS_MINIMIZE WS_MAXIMIZE
//   derived, the class's own (low word):
//     BS_PUSHBUTTON BS_DEFPUSHBUTTON BS_AUTOCHECKBOX BS_AUTO3STATE
//     BS_RADIOBUTTON BS_AUTORADIOBUTTON BS_GROUPBOX BS_LEFTTEXT BS_MULTILINE
//     SBS_HORZ SBS_VERT SBS_SIZEGRIP CBS_DROPDOWN CBS_DROPDOWNLIST
//     ES_MULTILINE ES_READONLY SS_LEFT SS_CENTER SS_RIGHT SS_BITMAP
//     TCS_BOTTOM TCS_RIGHT TCS_VERTICAL TBSTYLE_FLAT TBSTYLE_LIST
//   kept only:
//     UDS_HORZ TCS_BUTTONS TCS_FLATBUTTONS TCS_OWNERDRAWFIXED SS_ICON
//     SS_OWNERDRAW SS_GRAYRECT SS_WHITERECT, and every bit not listed above
//     (WS_CLIPCHILDREN, WS_GROUP, WS_EX_MDICHILD, BS_OWNERDRAW …)

// Styles of dialogs (DS_) and of window classes (CS_, GetClassLong).
constexpr std::uint32_t DS_MODALFRAME = 0x80;
constexpr std::uint32_t CS_NOCLOSE = 0x200;
constexpr int GCL_STYLE = -26;

// Class styles in the low word: buttons, scroll bars and size grips, combo
// boxes, edits, static texts, tab controls, up-down controls, tool bars.
constexpr std::uint32_t BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2,
                        BS_AUTOCHECKBOX = 0x3, BS_RADIOBUTTON = 0x4, BS_3STATE = 0x5,
                        BS_AUTO3STATE = 0x6, BS_GROUPBOX = 0x7, BS_AUTORADIOBUTTON = 0x9,
                        BS_OWNERDRAW = 0xB, BS_LEFTTEXT = 0x20, BS_BITMAP = 0x80,
                        BS_MULTILINE = 0x2000;
constexpr std::uint32_t SBS_HORZ = 0x0, SBS_VERT = 0x1, SBS_SIZEGRIP = 0x10;
constexpr std::uint32_t CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3;
constexpr std::uint32_t ES_MULTILINE = 0x4, ES_READONLY = 0x800;
constexpr std::uint32_t SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_ICON = 0x3,
                        SS_GRAYRECT = 0x5, SS_WHITERECT = 0x6, SS_OWNERDRAW = 0xD,
                        SS_BITMAP = 0xE;
constexpr std::uint32_t TCS_BOTTOM = 0x2, TCS_RIGHT = 0x2, TCS_FLATBUTTONS = 0x8,
                        TCS_VERTICAL = 0x80, TCS_BUTTONS = 0x100, TCS_OWNERDRAWFIXED = 0x2000;
constexpr std::uint32_t UDS_HORZ = 0x40;
constexpr std::uint32_t TBSTYLE_BUTTON = 0x0, TBSTYLE_SEP = 0x1, TBSTYLE_CHECK = 0x2,
                        TBSTYLE_DROPDOWN = 0x8, TBSTYLE_WRAPABLE = 0x200, TBSTYLE_FLAT = 0x800,
                        TBSTYLE_LIST = 0x1000;

// What WM_STYLECHANGING and WM_STYLECHANGED carry.
struct STYLESTRUCT {
  std::uint32_t styleOld = 0;
  std::uint32_t styleNew = 0;
};

constexpr unsigned GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3,
                   GW_OWNER = 4, GW_CHILD = 5;

// What GWL_HINSTANCE answers: every window belongs to the program's module.
constexpr std::intptr_t kProgramInstance = 0x400000;

QString GetClassName(const QWidget* window);
// The widget as a control of the program, or nullptr for an inner part of
// a composite widget (and for nullptr).
QWidget* ControlFromWindow(QWidget* window);

// GWL_STYLE, GWL_EXSTYLE (32-bit words, not sign-extended), GWL_USERDATA,
// GWL_ID, GWL_HINSTANCE, GWL_HWNDPARENT; 0 for the rest (window procedures
// are installed with InstallWindowProc). SetWindowLong returns the old
// value.
std::intptr_t GetWindowLong(const QWidget* window, int index);
std::intptr_t SetWindowLong(QWidget* window, int index, std::intptr_t value);
// GCL_STYLE: CS_NOCLOSE for a window without a close button.
std::uintptr_t GetClassLong(const QWidget* window, int index);

// The old framework's control state. A control is being created until Qt
// first polishes it and being destroyed from its Destroy event on; it has
// a window handle in between. Graphic controls were controls without a
// window of their own there (labels, speed and tool buttons, images,
// bevels, shapes, paint boxes). csOpaque is Qt's WA_OpaquePaintEvent.
constexpr unsigned csCreating = 0x1, csDestroying = 0x2;
constexpr unsigned csOpaque = 0x1;
unsigned GetControlState(const QWidget* control);
bool HandleAllocated(const QWidget* control);
bool IsDestroying(const QWidget* control);
bool IsGraphicControl(const QWidget* control);
unsigned GetControlStyle(const QWidget* control);
void SetControlStyle(QWidget* control, unsigned style);

// The window in screen coordinates (a window's frame included); the client
// area at (0, 0); where the client area starts in the widget.
TRect GetWindowRect(const QWidget* window);
TRect GetClientRect(const QWidget* window);
QPoint ClientOrigin(const QWidget* window);

// Window properties by name (without regard to case); GetProp gives
// nullptr for a missing one, RemoveProp the value it removed.
bool SetProp(QWidget* window, const QString& name, void* value);
void* GetProp(const QWidget* window, const QString& name);
void* RemoveProp(QWidget* window, const QString& name);

// The control's Tag (0 when never set).
int GetTag(const QWidget* control);
void SetTag(QWidget* control, int tag);

// The parent of a control, the owner of a window.
QWidget* GetParent(const QWidget* window);
// GW_CHILD: the topmost child control; GW_HWNDFIRST/LAST/NEXT/PREV: among a
// control's siblings, topmost first (nullptr for windows); GW_OWNER: a
// window's owner.
QWidget* GetWindow(const QWidget* window, unsigned command);
QWidget* GetTopWindow(const QWidget* window);
QWidget* GetFocus();

// The window text: a form's title (dialogs and main windows), a control's
// text (QGroupBox: title, QComboBox: the current text; the title of a
// widget without text). PutWindowText is what WM_SETTEXT's default
// procedure does; send WM_SETTEXT to let the window procedures see it.
QString GetWindowText(const QWidget* window);
void PutWindowText(QWidget* window, const QString& text);

}  // namespace platform
