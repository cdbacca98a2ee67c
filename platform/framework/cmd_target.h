// The base of every class that receives commands: it owns the message table
// lookup that command routing and window messages both use.
#pragma once

#include "platform/framework/msgmap.h"
#include "platform/framework/object.h"

// Marks a member function that a message table calls.
#define afx_msg

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;

  // Offers a command (nCode CN_COMMAND or a control's code) or a
  // notification (nCode MAKELONG(code, WM_NOTIFY), pExtra an AFX_NOTIFY) to
  // this object's table. With pHandlerInfo it only says whether a handler
  // exists and calls nothing.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// What a WM_NOTIFY entry's handler is given.
struct AFX_NOTIFY {
  LRESULT* pResult;
  NMHDR* pNMHDR;
};

// Shows the wait cursor for the life of the object; nested ones count.
class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};
