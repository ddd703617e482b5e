// Window messages: the message record, the message numbers the program's
// windows exchange, and the Qt event that carries a message.
//
// Messages are sent and posted to widgets and run through their window
// procedures (platform/WindowProc.h). A private number (1127, 1128, 13313,
// 13570-13603, $8FFF, the CM_ range $B000-$B0FF, the CN_ range $BC00-$BFFF
// and every number RegisterWindowMessage gives out) is a QEvent type of its
// own: a widget class may answer it in event() like any Qt event, through
// MessageEvent. The message layer reserves these types when it starts
// (ReserveMessageNumbers); a number some other code took already stops the
// start with an error naming it. Every other number travels as one shared
// carrier type.
#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>

namespace platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct Message {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// Packing of two 16-bit halves; the X and Y readers sign-extend, so that
// positions left of or above a window read as negative.
constexpr unsigned LOWORD(std::uintptr_t v) { return unsigned(v & 0xFFFF); }
constexpr unsigned HIWORD(std::uintptr_t v) { return unsigned((v >> 16) & 0xFFFF); }
constexpr std::uint32_t MAKELONG(int low, int high) {
  return (std::uint32_t(low) & 0xFFFF) | ((std::uint32_t(high) & 0xFFFF) << 16);
}
constexpr LPARAM MAKELPARAM(int low, int high) { return LPARAM(MAKELONG(low, high)); }
constexpr WPARAM MAKEWPARAM(int low, int high) { return WPARAM(MAKELONG(low, high)); }
constexpr int GET_X_LPARAM(LPARAM v) { return std::int16_t(LOWORD(std::uintptr_t(v))); }
constexpr int GET_Y_LPARAM(LPARAM v) { return std::int16_t(HIWORD(std::uintptr_t(v))); }
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM v) { return std::int16_t(HIWORD(v)); }

// Pointers (widgets, canvases, records) travel in WParam and LParam.
inline std::uintptr_t PtrParam(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
template <class T>
T* ParamPtr(std::uintptr_t v) {
  return reinterpret_cast<T*>(v);
}
// The one of `candidates` whose address `v` holds, or nullptr. The number
// is only compared, never read: a parameter that names none of them (a
// position, an object since gone, another sender's record) finds nothing.
template <class T, class Candidates>
T* FindParamAmong(const Candidates& candidates, std::uintptr_t v) {
  for (T* candidate : candidates)
    if (candidate && PtrParam(candidate) == v) return candidate;
  return nullptr;
}

// Standard window messages.
constexpr unsigned WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
                   WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007,
                   WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A, WM_SETREDRAW = 0x000B,
                   WM_SETTEXT = 0x000C, WM_GETTEXT = 0x000D, WM_GETTEXTLENGTH = 0x000E,
                   WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUERYENDSESSION = 0x0011,
                   WM_ERASEBKGND = 0x0014, WM_SYSCOLORCHANGE = 0x0015, WM_SHOWWINDOW = 0x0018,
                   WM_SETTINGCHANGE = 0x001A, WM_FONTCHANGE = 0x001D, WM_SETCURSOR = 0x0020,
                   WM_MOUSEACTIVATE = 0x0021, WM_CHILDACTIVATE = 0x0022,
                   WM_GETMINMAXINFO = 0x0024, WM_DRAWITEM = 0x002B, WM_MEASUREITEM = 0x002C,
                   WM_CALCSCROLL = 0x003F,  // an MDI client's scroll range was worked out anew
                   WM_SETFONT = 0x0030, WM_GETFONT = 0x0031, WM_WINDOWPOSCHANGING = 0x0046,
                   WM_WINDOWPOSCHANGED = 0x0047, WM_NOTIFY = 0x004E, WM_CONTEXTMENU = 0x007B,
                   WM_STYLECHANGING = 0x007C, WM_STYLECHANGED = 0x007D, WM_GETICON = 0x007F,
                   WM_SETICON = 0x0080,
                   WM_NCCREATE = 0x0081, WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083,
                   WM_NCHITTEST = 0x0084, WM_NCPAINT = 0x0085, WM_NCACTIVATE = 0x0086,
                   WM_GETDLGCODE = 0x0087, WM_NCMOUSEMOVE = 0x00A0, WM_NCLBUTTONDOWN = 0x00A1,
                   WM_NCLBUTTONUP = 0x00A2, WM_NCLBUTTONDBLCLK = 0x00A3,
                   WM_NCRBUTTONDOWN = 0x00A4, WM_NCRBUTTONUP = 0x00A5,
                   WM_NCRBUTTONDBLCLK = 0x00A6, WM_NCMBUTTONDOWN = 0x00A7,
                   WM_NCMBUTTONUP = 0x00A8, WM_NCUAHDRAWCAPTION = 0x00AE, WM_KEYDOWN = 0x0100,
                   WM_KEYUP = 0x0101, WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104,
                   WM_SYSKEYUP = 0x0105, WM_SYSCHAR = 0x0106, WM_COMMAND = 0x0111,
                   WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113, WM_HSCROLL = 0x0114,
                   WM_VSCROLL = 0x0115, WM_INITMENUPOPUP = 0x0117, WM_MENUSELECT = 0x011F,
                   WM_ENTERIDLE = 0x0121, WM_UPDATEUISTATE = 0x0128,
                   WM_CTLCOLORLISTBOX = 0x0134, WM_CTLCOLORBTN = 0x0135,
                   WM_CTLCOLORDLG = 0x0136, WM_CTLCOLORSTATIC = 0x0138, WM_MOUSEMOVE = 0x0200,
                   WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203,
                   WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206,
                   WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209,
                   WM_MOUSEWHEEL = 0x020A, WM_XBUTTONDOWN = 0x020B, WM_XBUTTONUP = 0x020C,
                   WM_XBUTTONDBLCLK = 0x020D, WM_MOUSEHWHEEL = 0x020E,
                   WM_PARENTNOTIFY = 0x0210, WM_ENTERMENULOOP = 0x0211,
                   WM_EXITMENULOOP = 0x0212, WM_CAPTURECHANGED = 0x0215, WM_MDICREATE = 0x0220,
                   WM_MDIDESTROY = 0x0221,
                   WM_MDIACTIVATE = 0x0222, WM_MDITILE = 0x0226, WM_MDICASCADE = 0x0227,
                   WM_MDIGETACTIVE = 0x0229, WM_MDISETMENU = 0x0230, WM_ENTERSIZEMOVE = 0x0231, WM_EXITSIZEMOVE = 0x0232,
                   WM_MDIREFRESHMENU = 0x0234, WM_NCMOUSELEAVE = 0x02A2,
                   WM_MOUSELEAVE = 0x02A3, WM_PRINT = 0x0317, WM_PRINTCLIENT = 0x0318,
                   WM_THEMECHANGED = 0x031A, WM_USER = 0x0400, WM_APP = 0x8000;

// Messages of the old framework's controls (CM_) and the notifications it
// hands back to the control that caused them (CN_ = CN_BASE + the WM_).
constexpr unsigned CM_BASE = 0xB000;
constexpr unsigned CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1,
                   CM_DIALOGKEY = CM_BASE + 5, CM_DIALOGCHAR = CM_BASE + 6,
                   CM_FOCUSCHANGED = CM_BASE + 7, CM_VISIBLECHANGED = CM_BASE + 11,
                   CM_ENABLEDCHANGED = CM_BASE + 12, CM_COLORCHANGED = CM_BASE + 13,
                   CM_FONTCHANGED = CM_BASE + 14, CM_TEXTCHANGED = CM_BASE + 18,
                   CM_BORDERCHANGED = CM_BASE + 41,
                   CM_MOUSEENTER = CM_BASE + 19, CM_MOUSELEAVE = CM_BASE + 20,
                   CM_MENUCHANGED = CM_BASE + 21, CM_SHOWINGCHANGED = CM_BASE + 25,
                   CM_CONTROLLISTCHANGE = CM_BASE + 44, CM_RECREATEWND = CM_BASE + 51,
                   CM_INVALIDATE = CM_BASE + 52, CM_FLOAT = CM_BASE + 58,
                   CM_MOUSEWHEEL = CM_BASE + 67;
constexpr unsigned CN_BASE = 0xBC00;
constexpr unsigned CN_DRAWITEM = CN_BASE + WM_DRAWITEM, CN_NOTIFY = CN_BASE + WM_NOTIFY,
                   CN_KEYDOWN = CN_BASE + WM_KEYDOWN, CN_CHAR = CN_BASE + WM_CHAR,
                   CN_COMMAND = CN_BASE + WM_COMMAND, CN_HSCROLL = CN_BASE + WM_HSCROLL,
                   CN_VSCROLL = CN_BASE + WM_VSCROLL;

// Button messages and states.
constexpr unsigned BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1, BM_GETSTATE = 0x00F2,
                   BM_SETSTATE = 0x00F3, BM_SETSTYLE = 0x00F4, BM_CLICK = 0x00F5,
                   BM_GETIMAGE = 0x00F6, BM_SETIMAGE = 0x00F7;
constexpr unsigned BST_UNCHECKED = 0x0, BST_CHECKED = 0x1, BST_INDETERMINATE = 0x2,
                   BST_PUSHED = 0x4, BST_FOCUS = 0x8;

// Scroll bars: which bar, and the scroll codes of WM_HSCROLL/WM_VSCROLL;
// status-bar messages.
constexpr int SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3;
constexpr unsigned SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1,
                   SB_PAGEUP = 2, SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3,
                   SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6,
                   SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8;
constexpr unsigned SB_GETPARTS = WM_USER + 6, SB_GETRECT = WM_USER + 10,
                   SB_ISSIMPLE = WM_USER + 14;

// WM_SYSCOMMAND commands (SC_DRAGMOVE: a move started from the caption).
constexpr unsigned SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_DRAGMOVE = 0xF012,
                   SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_NEXTWINDOW = 0xF040,
                   SC_PREVWINDOW = 0xF050, SC_CLOSE = 0xF060, SC_VSCROLL = 0xF070,
                   SC_HSCROLL = 0xF080, SC_MOUSEMENU = 0xF090, SC_KEYMENU = 0xF100,
                   SC_RESTORE = 0xF120, SC_CONTEXTHELP = 0xF180;

// WM_NCHITTEST answers.
constexpr int HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2,
              HTSYSMENU = 3, HTGROWBOX = 4, HTSIZE = 4, HTMENU = 5, HTHSCROLL = 6,
              HTVSCROLL = 7, HTMINBUTTON = 8, HTMAXBUTTON = 9, HTLEFT = 10, HTRIGHT = 11,
              HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14, HTBOTTOM = 15, HTBOTTOMLEFT = 16,
              HTBOTTOMRIGHT = 17, HTBORDER = 18, HTCLOSE = 20, HTHELP = 21;

// Mouse message key flags (low word of WParam).
constexpr unsigned MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08,
                   MK_MBUTTON = 0x10, MK_XBUTTON1 = 0x20, MK_XBUTTON2 = 0x40;
// High word of WParam of the WM_XBUTTON messages.
constexpr unsigned XBUTTON1 = 0x1, XBUTTON2 = 0x2;

// Virtual keys; letters and digits are their upper-case ASCII codes.
constexpr unsigned VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                   VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14,
                   VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
                   VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
                   VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
                   VK_APPS = 0x5D, VK_F1 = 0x70, VK_F10 = 0x79, VK_F24 = 0x87,
                   VK_NUMLOCK = 0x90, VK_SCROLL = 0x91;

// WM_SETICON and WM_GETICON: which icon.
constexpr unsigned ICON_SMALL = 0, ICON_BIG = 1, ICON_SMALL2 = 2;

// WM_MOUSEACTIVATE answers.
constexpr LRESULT MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4;

// WM_ACTIVATE states and WM_SIZE kinds.
constexpr unsigned WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;
constexpr unsigned SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;

// The first number RegisterWindowMessage gives out.
constexpr unsigned kFirstRegisteredMessage = 0xC000;

// The event that carries a message: its type is the number itself when
// the number is a reserved private one, else the carrier type. The
// receiver answers through Msg().Result.
class MessageEvent : public QEvent {
 public:
  explicit MessageEvent(const Message& message);
  Message& Msg() { return message_; }
  const Message& Msg() const { return message_; }

 private:
  Message message_;
};

// The MessageEvent behind `event`, or nullptr for any other event.
MessageEvent* AsMessageEvent(QEvent* event);
// The QEvent type a message travels as.
QEvent::Type MessageEventType(unsigned msg);
bool IsReservedMessageNumber(unsigned msg);

// Reserves the private numbers first..last (within Qt's user range) as
// event types; numbers this layer reserved before are skipped. Throws
// std::runtime_error naming the first number other code holds already.
void ReserveMessageNumbers(unsigned first, unsigned last);
// Reserves the program's fixed private numbers and the carrier type (once;
// the message layer's start-up and first use call it).
void ReserveProgramMessageNumbers();

// One number per name (names compared without regard to case), from
// kFirstRegisteredMessage up; 0 when none is left.
unsigned RegisterWindowMessage(const QString& name);

}  // namespace platform
