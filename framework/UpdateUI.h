// CUpdateUIBase / CUpdateUI<T>: keeps the enabled state of a window's child
// controls in step with a table of command ids. A caller records the wanted
// state with UIEnable; the window applies what changed when its queue runs
// empty (UIUpdateChildWindows, from its idle handler).
//
// T supplies the table through a static GetUpdateUIMap(), ended by an entry
// with id 0xFFFF. With an empty table this base has no visible effect. Fixed capacities: nothing here allocates.
#pragma once

#include <windows.h>

struct SUpdateUIMap {
    WORD m_nID;
    WORD m_wType;
};

class CUpdateUIBase {
public:
    enum : WORD {
        UPDUI_CHILDWINDOW = 0x0004,  // element type of a window whose children are updated
        kMapEnd = 0xFFFF,
    };

    explicit CUpdateUIBase(const SUpdateUIMap* pMap) : m_pUIMap(pMap) {}

    // Registers a window whose child controls carry the table's ids. False
    // when the list is full.
    bool UIAddChildWindowContainer(HWND hWnd) {
        if (m_nContainers == kMaxContainers)
            return false;
        m_containers[m_nContainers++] = hWnd;
        return true;
    }

    // Records the wanted state of a control. False when the id is not a
    // child-window entry of the table.
    bool UIEnable(int nID, bool bEnable) {
        const int index = FindChildEntry(nID);
        if (index < 0)
            return false;
        if (m_states[index].bEnabled != bEnable || !m_states[index].bKnown) {
            m_states[index] = {bEnable, true, true};
        }
        return true;
    }

    // Applies every recorded change to the controls of every container.
    bool UIUpdateChildWindows() {
        for (int i = 0; i < kMaxEntries && m_pUIMap && m_pUIMap[i].m_nID != kMapEnd; ++i) {
            if (!(m_pUIMap[i].m_wType & UPDUI_CHILDWINDOW) || !m_states[i].bPending)
                continue;
            for (int c = 0; c < m_nContainers; ++c) {
                if (HWND hChild = ::GetDlgItem(m_containers[c], m_pUIMap[i].m_nID))
                    ::EnableWindow(hChild, m_states[i].bEnabled);
            }
            m_states[i].bPending = false;
        }
        return true;
    }

private:
    enum : int { kMaxContainers = 4, kMaxEntries = 32 };
    struct SState {
        bool bEnabled;
        bool bKnown;
        bool bPending;
    };

    int FindChildEntry(int nID) const {
        for (int i = 0; i < kMaxEntries && m_pUIMap && m_pUIMap[i].m_nID != kMapEnd; ++i) {
            if (m_pUIMap[i].m_nID == nID && (m_pUIMap[i].m_wType & UPDUI_CHILDWINDOW))
                return i;
        }
        return -1;
    }

    const SUpdateUIMap* m_pUIMap;
    HWND m_containers[kMaxContainers] = {};
    int m_nContainers = 0;
    SState m_states[kMaxEntries] = {};
};

template <class T>
class CUpdateUI : public CUpdateUIBase {
public:
    CUpdateUI() : CUpdateUIBase(T::GetUpdateUIMap()) {}
};
