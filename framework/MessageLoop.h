// CMessageLoop: the program's one message loop, with message filters and idle
// handlers. Owned by the program's start-up on the UI thread for the time its
// top-level window lives; that window adds itself as a filter and an idle
// handler while it exists. Not thread-safe: every call comes from the loop's own thread.
#pragma once

#include <windows.h>

#include "framework/IdleHandler.h"
#include "framework/MessageFilter.h"

// An ordered list of borrowed pointers with a fixed capacity, so that adding a
// handler never allocates and never throws. Entries may repeat.
template <class T, int Capacity = 16>
class CHandlerList {
public:
    // False when the list is full.
    bool Add(T* item) {
        if (m_nCount == Capacity)
            return false;
        m_items[m_nCount++] = item;
        return true;
    }
    // Takes out the first entry equal to item; the others keep their order.
    bool Remove(T* item) {
        for (int i = 0; i < m_nCount; ++i) {
            if (m_items[i] == item) {
                for (int j = i + 1; j < m_nCount; ++j)
                    m_items[j - 1] = m_items[j];
                m_items[--m_nCount] = nullptr;
                return true;
            }
        }
        return false;
    }
    int GetSize() const { return m_nCount; }
    T* operator[](int index) const { return m_items[index]; }

private:
    T* m_items[Capacity] = {};
    int m_nCount = 0;
};

class CMessageLoop {
public:
    virtual ~CMessageLoop() = default;

    // Registration: Add appends (false when the list is full); Remove takes
    // out the first equal entry (false when there is none).
    bool AddMessageFilter(CMessageFilter* pFilter) { return m_filters.Add(pFilter); }
    bool RemoveMessageFilter(CMessageFilter* pFilter) { return m_filters.Remove(pFilter); }
    bool AddIdleHandler(CIdleHandler* pHandler) { return m_idleHandlers.Add(pHandler); }
    bool RemoveIdleHandler(CIdleHandler* pHandler) { return m_idleHandlers.Remove(pHandler); }

    // Runs until the quit message; returns its wParam as the exit code.
    int Run();

    // False for the messages that come by themselves and must not re-arm idle
    // processing: mouse moves, paints and the caret's blink timer.
    static bool IsIdleMessage(const MSG* pMsg);

    // Asks the filters, the most recently added first; true when one consumed
    // the message.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Runs every idle handler once, the first added first; false, so that one
    // idle phase calls it once.
    virtual BOOL OnIdle(int nIdleCount);

    MSG m_msg = {};  // the message last taken from the queue

private:
    CHandlerList<CMessageFilter> m_filters;
    CHandlerList<CIdleHandler> m_idleHandlers;
};
