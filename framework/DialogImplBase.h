// CDialogImplBase: routes every message of a dialog window to its object's
// HandleMessage, from the window's first message to its last.
//
// The object reaches its window through the module's hand-off list: right
// before its one creation call, the object arms a record of itself in
// g_Module's list, which binds the record to the window that call makes; the
// shared start procedure takes the record bound to its window off the list
// when the window's first message arrives, keeps the object's address in the
// window's DWLP_USER slot and installs the shared dialog procedure. A window
// made with the start procedure by other code finds no record and is left to
// the platform's defaults. Results follow the dialog-procedure contract (see
// RouteMessage). Used by CIndirectDialogImpl.
#pragma once

#include <windows.h>

#include "framework/AppModule.h"
#include "framework/MessageMap.h"
#include "framework/Window.h"

class CDialogImplBase : public CMessageMap, public CWindow {
public:
    CDialogImplBase() = default;
    // A window that outlives its object no longer reaches it.
    ~CDialogImplBase() override;
    CDialogImplBase(const CDialogImplBase&) = delete;
    CDialogImplBase& operator=(const CDialogImplBase&) = delete;

    // The procedure through which this object's messages pass once the
    // window has been handed its object.
    virtual DLGPROC DialogProcedure();
    // Runs after the window's last message, when the object has let go of
    // its window handle.
    virtual void AfterLastMessage(HWND hWnd);

    // Ends a modal dialog with a code (the platform's EndDialog).
    BOOL EndDialog(INT_PTR nRetCode) { return ::EndDialog(m_hWnd, nRetCode); }

    // The start procedure every dialog is created with.
    static INT_PTR CALLBACK StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;
    // The shared procedure for every dialog after its first message.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept;

    // Messages whose handler result is the dialog procedure's return value
    // rather than the dialog's message result.
    static bool ReturnsResultDirectly(UINT uMsg);

protected:
    // Records this object for the window that the creation call made next on
    // this thread creates. False when it cannot: the call must not be made.
    bool BeginHandOff() { return g_Module.AddCreateWndData(&m_createData, this); }
    // Drops the record again when no window took it (creation failed before
    // the window's first message), so that no later window takes this object.
    void EndHandOff() { g_Module.RemoveCreateWndData(&m_createData); }

private:
    enum : DWORD { kStateLastMessageSeen = 1 };

    INT_PTR RouteMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    SCreateWndData m_createData;
    const MSG* m_pCurrentMsg = nullptr;  // the message being handled, for nesting
    DWORD m_dwState = 0;
};
