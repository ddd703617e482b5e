#include "platform/Messages.h"

#include <QHash>

#include <array>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

// The numbers reserved by this layer: one bit per event type. Read from
// any thread (PostMessage), written under the registration lock.
std::array<std::atomic<std::uint64_t>, 1024> g_reserved{};
std::atomic<int> g_carrierType{0};
std::mutex g_registerLock;

bool Reserved(unsigned n) {
  return n < 65536 && (g_reserved[n >> 6].load(std::memory_order_relaxed) >> (n & 63)) & 1;
}
void MarkReserved(unsigned n) {
  g_reserved[n >> 6].fetch_or(std::uint64_t{1} << (n & 63), std::memory_order_relaxed);
}

// Takes `n` from Qt's registry; false when other code holds it.
bool TakeEventType(unsigned n) {
  if (Reserved(n)) return true;
  if (QEvent::registerEventType(int(n)) != int(n)) return false;
  MarkReserved(n);
  return true;
}

// The private numbers the program's windows use.
struct NumberRange {
  unsigned first, last;
};
constexpr NumberRange kProgramNumbers[] = {
    {1127, 1128},              // the main window's and the sign-in dialog's deferred steps
    {13313, 13313},            // refresh a form's skin
    {13570, 13603},            // skinning engine requests and queries
    {0x8FFF, 0x8FFF},          // worker threads reporting to their hidden window
    {CM_BASE, CM_BASE + 0xFF},  // framework control messages
    {CN_BASE, CN_BASE + 0x3FF},  // notifications handed back to controls
};

}  // namespace

MessageEvent::MessageEvent(const Message& message)
    : QEvent(MessageEventType(message.Msg)), message_(message) {}

MessageEvent* AsMessageEvent(QEvent* event) {
  const int type = event->type();
  if (type != g_carrierType.load(std::memory_order_relaxed) && !Reserved(unsigned(type)))
    return nullptr;
  return dynamic_cast<MessageEvent*>(event);  // code may post a plain QEvent of a private type
}

QEvent::Type MessageEventType(unsigned msg) {
  ReserveProgramMessageNumbers();
  return QEvent::Type(Reserved(msg) ? int(msg) : g_carrierType.load(std::memory_order_relaxed));
}

bool IsReservedMessageNumber(unsigned msg) { return Reserved(msg); }

void ReserveMessageNumbers(unsigned first, unsigned last) {
  if (first < unsigned(QEvent::User) || last > unsigned(QEvent::MaxUser))
    throw std::runtime_error("Window messages " + std::to_string(first) + "-" + std::to_string(last) +
                             " lie outside the range of private event types");
  std::lock_guard lock(g_registerLock);
  for (unsigned n = first; n <= last; ++n)
    if (!TakeEventType(n))
      throw std::runtime_error("Window message " + std::to_string(n) +
                               " cannot be reserved as an event type: other code holds it");
}

void ReserveProgramMessageNumbers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const NumberRange& r : kProgramNumbers) ReserveMessageNumbers(r.first, r.last);
    std::lock_guard lock(g_registerLock);
    g_carrierType.store(QEvent::registerEventType(), std::memory_order_relaxed);
  });
}

unsigned RegisterWindowMessage(const QString& name) {
  static QHash<QString, unsigned> numbers;
  static unsigned next = kFirstRegisteredMessage;
  ReserveProgramMessageNumbers();
  std::lock_guard lock(g_registerLock);
  const QString key = name.toCaseFolded();
  if (auto it = numbers.constFind(key); it != numbers.constEnd()) return *it;
  while (next <= unsigned(QEvent::MaxUser) && (Reserved(next) || !TakeEventType(next))) ++next;
  if (next > unsigned(QEvent::MaxUser)) return 0;
  numbers.insert(key, next);
  return next++;
}

}  // namespace platform
