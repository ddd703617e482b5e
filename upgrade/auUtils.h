// Small routines of the upgrade: versions, HTTP dates, the temporary
// folder, file times, sizes and attributes, resources, opening a web page,
// the online test and the waits that keep the GUI thread serving its work.
#pragma once

#include "platform/Dispatcher.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

class QIODevice;
class QString;

// A point in time as days since 30 December 1899 (the fraction is the time
// of day), in local time; 0 stands for "none".
using TDateTime = double;

TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, double second = 0);
// Seconds since 1970 (UTC) as local date-time, and back.
TDateTime UnixToDateTime(double unixSeconds);
double DateTimeToUnix(TDateTime value);

// File attributes. On Linux a file is read-only when its owner may not
// write it, and hidden when its name begins with "."; the other attributes
// have no meaning here and are ignored.
enum TauFileAttribute : unsigned {
  atrArchive = 1u << 0,
  atrHidden = 1u << 1,
  atrReadOnly = 1u << 2,
  atrSystem = 1u << 3,
  atrTemporary = 1u << 4,
  atrOffline = 1u << 5,
};
using TauFileAttributes = unsigned;

// Part × 100 / Whole rounded, clamped to 0..100; 0 unless Whole > 0.
uint8_t Percent(int64_t part, int64_t whole);

// Opens the page in the desktop's browser (through the prompts, so tests
// record it). "http://" is put in front of an address without "://". Only
// http and https addresses are opened: an address that came from a server
// must not start local programs or open local files. The desktop decides
// about new windows, so `newWindow` only says what the caller wanted.
bool OpenURL(const std::string& url, bool newWindow);

// $TMPDIR (else /tmp) with a trailing "/"; the program's folder when that
// folder does not exist.
std::string GetTempDir();

// `head` = the text before the first `sep`; with `removeHead` the text
// keeps only what follows `sep`. Without `sep`, head is the whole text and,
// with `removeHead`, the text becomes empty.
void SplitAt(std::string& text, std::string_view sep, bool removeHead, std::string& head);

// -1, 0 or 1 as version a is older than, equal to or newer than b. Each is
// four numbers parted by "." (missing ones are 0); when a part is not a
// number the whole texts are compared byte by byte.
int CompareVersions(const std::string& a, const std::string& b);

// An HTTP date in the RFC 1123, RFC 850 or asctime form, as local time; 0
// for text that is empty or cannot be read (an unreadable date counts as
// absent). A numeric zone ("+0800") is honoured; a zone name means UTC.
TDateTime ParseHTTPDate(std::string_view text);

// Sets the times of an existing file; -1 keeps a time. Linux keeps no
// creation time that could be set, so `creation` is not used. False when
// the file is missing or the times cannot be set.
bool SetFileTimes(const std::string& file, TDateTime creation, TDateTime lastAccess, TDateTime lastWrite);

// The size of a file, -1 when there is none.
int64_t GetFileSize64(const std::string& file);

// The attributes a file has (read-only, hidden) and setting them: read-only
// takes every write permission away, its absence gives the owner write
// permission back. Hidden follows the name and cannot be set. False when
// the file is missing or its mode cannot be changed.
TauFileAttributes GetAttributes(const std::string& file);
bool SetAttributes(const std::string& file, TauFileAttributes attributes);

// Writes the program resource ":/<type>/<name>" to the stream; true only
// when the stream is given and the resource exists, is not empty and was
// written whole.
bool SaveResourceToStream(const QString& name, const QString& type, QIODevice* stream);

// True when the machine has an address besides loopback on an interface
// that is up. IsOnline is the same test (there is no dial-up state here).
bool HasRealLocalAddress();
bool IsOnline();

// Closes the main window when there is one and ends the event loop; from
// then on the application counts as terminating.
void CloseApplication();
bool ApplicationTerminating();

// Runs the GUI thread's work — the dispatcher's calls and, when an
// application object lives on this thread, its events — until `done`
// holds (true), `timeoutMs` passes (0: no limit) or, with
// `stopOnAppTerminate`, the application is terminating (both false).
bool WaitPumping(const std::function<bool()>& done, unsigned timeoutMs, bool stopOnAppTerminate,
                 platform::Dispatcher& dispatcher = platform::GuiDispatcher());

// A wait that a signal ends. WaitWithMessages opens it, waits pumping the
// GUI thread and closes it again; SignalWait ends an open wait from any
// thread and does nothing to a closed one.
class TauWaitEvent {
 public:
  bool IsOpen() const;
  bool IsSignalled() const;

 private:
  friend bool WaitWithMessages(TauWaitEvent&, unsigned, bool, platform::Dispatcher&);
  friend void SignalWait(TauWaitEvent&);
  std::atomic<int> state_{-1};  // -1 closed, 0 open, 1 signalled
  std::atomic<platform::Dispatcher*> dispatcher_{nullptr};
};

// True when the event was signalled.
bool WaitWithMessages(TauWaitEvent& event, unsigned timeoutMs, bool stopOnAppTerminate,
                      platform::Dispatcher& dispatcher = platform::GuiDispatcher());
void SignalWait(TauWaitEvent& event);
