// Static message tables. Each class that declares DECLARE_MESSAGE_MAP has a
// table of entries binding a window message, a command or a control
// notification to one of its member functions; a message the table does not
// list is looked up in the base class's table.
//
// Every entry calls its member through a small typed thunk, so a handler of
// the wrong signature fails to compile instead of being called with the
// wrong arguments.
#pragma once

#include <cstddef>
#include <tuple>

#include "platform/base/types.h"
#include "platform/window/commctrl.h"

class CCmdTarget;

// wParam and lParam as the window procedure got them; for commands and
// notifications the thunk gets what the routing unpacked.
using AFX_PMSGTHUNK = void (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message; WM_COMMAND or WM_NOTIFY for routed entries
  UINT nCode;     // notification code (0 for window messages)
  UINT nID;       // first control or command id (0 for window messages)
  UINT nLastID;   // last id of a range
  AFX_PMSGTHUNK pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// What the command routing reports when asked only whether a handler exists.
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;
  AFX_PMSGTHUNK pfn;
};

// The code of a routed command beside the controls' own notification codes.
#define CN_COMMAND 0

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP_ENTRY* lpEntry, UINT nMsg, UINT nCode,
                                            UINT nID);

namespace lorvane::afx {

template <class>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
  using type = C;
  template <std::size_t i>
  using arg = std::tuple_element_t<i, std::tuple<A...>>;
};

template <auto M>
auto* Target(CCmdTarget* target) {
  return static_cast<typename MemberOf<decltype(M)>::type*>(target);
}

template <auto M>
void ThunkVoid(CCmdTarget* target, WPARAM, LPARAM, LRESULT*) {
  (Target<M>(target)->*M)();
}

template <auto M>
void ThunkNotify(CCmdTarget* target, WPARAM, LPARAM lParam, LRESULT* pResult) {
  using Header = typename MemberOf<decltype(M)>::template arg<0>;
  (Target<M>(target)->*M)(reinterpret_cast<Header>(lParam), pResult);
}

}  // namespace lorvane::afx

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = theClass;                                    \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                       \
  { 0, 0, 0, 0, nullptr }                                                                       \
  }                                                                                             \
  ;                                                                                             \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                           \
  }

#define ON_COMMAND(id, memberFxn)                                        \
  {WM_COMMAND, CN_COMMAND, static_cast<WORD>(id), static_cast<WORD>(id), \
   &lorvane::afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                               \
  {WM_COMMAND, static_cast<WORD>(wNotifyCode), static_cast<WORD>(id), static_cast<WORD>(id), \
   &lorvane::afx::ThunkVoid<&ThisClass::memberFxn>},
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                          \
  {WM_NOTIFY, static_cast<WORD>(static_cast<int>(wNotifyCode)), static_cast<WORD>(id), \
   static_cast<WORD>(id), &lorvane::afx::ThunkNotify<&ThisClass::memberFxn>},

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
