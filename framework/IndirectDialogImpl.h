// CIndirectDialogImpl: a dialog class T whose template is built in memory by
// T::BuildTemplate (with BeginTemplate and AppendControl on m_Template), the
// first time the object is shown, and shown modeless or modal from it.
//
// Base of every dialog class of the program. The template
// lives as long as the object. An object has at most one window at a time.
#pragma once

#include <windows.h>

#include "framework/AppModule.h"
#include "framework/DialogImplBase.h"
#include "framework/MemDlgTemplate.h"

template <class T, class TDlgTemplate = CMemDlgTemplate>
class CIndirectDialogImpl : public CDialogImplBase {
public:
    // The new window, or null when it was not created (the thread's last
    // error says why: ERROR_OUTOFMEMORY when the template could not be built).
    HWND CreateModeless(HWND hWndParent = nullptr, LPARAM dwInitParam = 0) {
        if (!PrepareToShow() || !BeginHandOff())
            return nullptr;
        HWND hWnd = ::CreateDialogIndirectParamW(g_Module.GetModuleInstance(), m_Template.GetTemplatePtr(),
                                                 hWndParent, &CDialogImplBase::StartDialogProc, dwInitParam);
        EndHandOff();
        return hWnd;
    }

    // The code the dialog was ended with, or -1 when it was not shown.
    INT_PTR RunModal(HWND hWndOwner = ::GetActiveWindow(), LPARAM dwInitParam = 0) {
        if (!PrepareToShow() || !BeginHandOff())
            return -1;
        const INT_PTR code = ::DialogBoxIndirectParamW(g_Module.GetModuleInstance(), m_Template.GetTemplatePtr(),
                                                       hWndOwner, &CDialogImplBase::StartDialogProc, dwInitParam);
        EndHandOff();
        return code;
    }

protected:
    TDlgTemplate m_Template;

private:
    // Builds the template once. A template that could not be had whole is
    // discarded, so the next showing builds it again.
    bool PrepareToShow() {
        if (m_hWnd) {  // this object's window still exists
            ::SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        if (!m_Template.IsTemplateBuilt())
            static_cast<T*>(this)->BuildTemplate();
        if (!m_Template.IsTemplateBuilt() || m_Template.HasFailed()) {
            m_Template.Reset();
            ::SetLastError(ERROR_OUTOFMEMORY);
            return false;
        }
        return true;
    }
};
