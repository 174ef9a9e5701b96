// The engine's writes on worker threads, and its reports in walk order.
//
// The walker stays one thread: it reads entries, chooses names, creates
// folders and logs. With nWriteThreads above 1, a file's creation, write,
// naming and close go to a CWritePool. Its outcome (a failure line, the
// entry's status) is known only later, so from the first write not yet done
// on, every report is held back in a queue, in order, its texts copied; as
// writes are done, in the order submitted, the queue is reported up to the
// next write still pending. The front end so gets the very same calls in
// the very same order as from a walk on one thread.
#include <deque>
#include <new>
#include <string>
#include <unordered_map>

#include "base/LetterCase.h"
#include "extract/Extractor.h"
#include "extract/OutputNaming.h"
#include "extract/WritePool.h"

namespace {

// Content owned by the tasks in flight, at most, and tasks at most a
// thread: beyond, the walker waits for the oldest write.
constexpr size_t kMaxOwnedBytes = 64u << 20;
constexpr size_t kMaxTasksPerThread = 64;

}  // namespace

// A report held back, with copies of what its pointers showed.
struct SHeldReport {
    enum class EKind { Line, Entry, Folder, End, Write } eKind = EKind::Line;
    std::u16string strText;    // Line: the line; Folder, Entry, Write: the path
    std::u16string strName;    // Entry, Write: the entry's name
    std::u16string strFolder;  // Entry, Write: the file's output folder
    std::u16string strWhole;   // Write: the path from the root, for the failure line
    bool bProblem = false;     // Line: a problem line
    SEntryEvent event;         // Entry, Write
    EFolderStatus eFolder = EFolderStatus::Created;
    SContainerEnd end;

    // An Entry or Write report of the event, its strings copied.
    static SHeldReport OfEvent(EKind kind, const SEntryEvent& event) {
        SHeldReport held;
        held.eKind = kind;
        held.strText = event.pszPath;
        held.strName = event.pszName;
        held.strFolder = event.pszFolder;
        held.event = event;
        return held;
    }
};

struct CExtractor::SWrites {
    explicit SWrites(IPlatform& platform) : pool(platform) {}
    CWritePool pool;
    bool bStartTried = false;
    std::deque<SHeldReport> held;
    size_t nPending = 0;  // writes submitted, not yet reported
    // The paths of pending writes (folded where names ignore case), counted.
    std::unordered_map<std::u16string, int> pendingPaths;
    std::u16string Key(const char16_t* relativePath, bool ignoresCase) const {
        char16_t normal[kPathCapacity];
        CopyText(normal, kPathCapacity, relativePath);
        NormalizeSlashPath(normal);
        std::u16string key = normal;
        if (ignoresCase) {
            for (char16_t& ch : key)
                ch = FoldLetter(ch);
        }
        return key;
    }
};

// Here, where the writes' state is whole.
CExtractor::CExtractor(IPlatform& platform, IExtractCallback& callback, const SExtractOptions& options)
    : m_platform(platform), m_callback(callback), m_options(options) {}

CExtractor::~CExtractor() { EndWrites(); }

bool CExtractor::HoldsReports() const { return m_pWrites && m_pWrites->nPending > 0 && !m_bReporting; }

void CExtractor::ReportLine(const char16_t* line) {
    if (!HoldsReports()) {
        m_callback.OnLogLine(line);
        return;
    }
    SHeldReport held;
    held.strText = line;
    held.bProblem = m_bProblemLines;
    m_pWrites->held.push_back(std::move(held));
}

void CExtractor::ReportEntry(const SEntryEvent& event) {
    if (m_bPlanning || m_bOutOfMemory)
        return;
    if (!HoldsReports()) {
        m_callback.OnEntryEvent(event);
        return;
    }
    m_pWrites->held.push_back(SHeldReport::OfEvent(SHeldReport::EKind::Entry, event));
}

void CExtractor::ReportFolder(const char16_t* path, EFolderStatus status) {
    if (!HoldsReports()) {
        m_callback.OnFolderEvent(path, status);
        return;
    }
    SHeldReport held;
    held.eKind = SHeldReport::EKind::Folder;
    held.strText = path;
    held.eFolder = status;
    m_pWrites->held.push_back(std::move(held));
}

void CExtractor::ReportEnd(const SContainerEnd& end) {
    if (!HoldsReports()) {
        m_callback.OnContainerEnd(end);
        return;
    }
    SHeldReport held;
    held.eKind = SHeldReport::EKind::End;
    held.end = end;
    m_pWrites->held.push_back(std::move(held));
}

void CExtractor::WriteOrSubmit(const char16_t* path, size_t rootLength, SEntryEvent& event, const uint8_t* content,
                               bool inflated) {
    const size_t size = size_t(event.nContentSize);
    const char16_t* relative = path + rootLength;
    if (m_options.nWriteThreads > 1 && !m_pWrites)
        m_pWrites.reset(new (std::nothrow) SWrites(m_platform));
    SWrites* writes = m_pWrites.get();
    if (writes && !writes->bStartTried) {
        writes->bStartTried = true;
        writes->pool.Start(m_options.nWriteThreads);
    }
    std::unique_ptr<SWriteTask> task;
    if (writes && writes->pool.Running() && !(event.nProblems & kProblemTooLong))
        task.reset(new (std::nothrow) SWriteTask);
    if (task && inflated) {
        task->pOwned.reset(new (std::nothrow) uint8_t[size ? size : 1]);
        if (task->pOwned)
            std::copy(content, content + size, task->pOwned.get());
        else
            task.reset();
    }
    if (!task) {
        // Here, in its place: after every write before it.
        if (writes)
            ReportDoneWrites(true);
        const EWriteResult result = event.nProblems & kProblemTooLong
                                        ? EWriteResult::CannotCreate
                                        : m_platform.WriteNewFile(relative, content, size);
        FinishWrite(path, event, result);
        return;
    }
    // The first of two entries of one name gets it, as on one thread.
    WaitForPendingPath(relative);
    CopyText(task->szPath, kPathCapacity, relative);
    task->pData = inflated ? task->pOwned.get() : content;
    task->nSize = size;
    SHeldReport held = SHeldReport::OfEvent(SHeldReport::EKind::Write, event);
    held.strWhole = path;
    held.event.pContent = task->pData;
    const bool ignoresCase = m_platform.NameRules().bIgnoresCase;
    ++writes->pendingPaths[writes->Key(relative, ignoresCase)];
    writes->held.push_back(std::move(held));
    ++writes->nPending;
    writes->pool.Submit(std::move(task));
    // Memory in flight stays bounded: beyond it, the oldest write is waited for.
    while (writes->pool.OwnedBytes() > kMaxOwnedBytes ||
           writes->pool.Queued() > kMaxTasksPerThread * size_t(m_options.nWriteThreads))
        ReportDoneWrites(true);
}

void CExtractor::WaitForPendingPath(const char16_t* relativePath) {
    if (m_pWrites && m_pWrites->nPending > 0 &&
        m_pWrites->pendingPaths.count(m_pWrites->Key(relativePath, m_platform.NameRules().bIgnoresCase)))
        ReportDoneWrites(true);
}

void CExtractor::ReportDoneWrites(bool wait) {
    SWrites* writes = m_pWrites.get();
    if (!writes)
        return;
    const bool ignoresCase = m_platform.NameRules().bIgnoresCase;
    while (!writes->held.empty()) {
        SHeldReport& held = writes->held.front();
        std::unique_ptr<SWriteTask> task;
        if (held.eKind == SHeldReport::EKind::Write) {
            task = writes->pool.TakeOldest(wait);
            if (!task)
                return;  // not done yet
        }
        held.event.pszPath = held.strText.c_str();
        held.event.pszName = held.strName.c_str();
        held.event.pszFolder = held.strFolder.c_str();
        m_bReporting = true;
        switch (held.eKind) {
        case SHeldReport::EKind::Line: {
            const CProblemLines problem(*this, held.bProblem);
            if (!m_bOutOfMemory)
                m_callback.OnLogLine(held.strText.c_str());
            break;
        }
        case SHeldReport::EKind::Entry: ReportEntry(held.event); break;
        case SHeldReport::EKind::Folder:
            if (!m_bOutOfMemory)
                m_callback.OnFolderEvent(held.strText.c_str(), held.eFolder);
            break;
        case SHeldReport::EKind::End:
            if (!m_bOutOfMemory)
                m_callback.OnContainerEnd(held.end);
            break;
        case SHeldReport::EKind::Write: {
            FinishWrite(held.strWhole.c_str(), held.event, task->eResult);
            const auto path = writes->pendingPaths.find(writes->Key(task->szPath, ignoresCase));
            if (path != writes->pendingPaths.end() && --path->second == 0)
                writes->pendingPaths.erase(path);
            --writes->nPending;
            break;
        }
        }
        m_bReporting = false;
        writes->held.pop_front();
    }
}

void CExtractor::EndWrites() {
    if (!m_pWrites)
        return;
    ReportDoneWrites(true);
    m_pWrites->pool.Stop();
    m_pWrites.reset();
}

void CExtractor::FinishWrite(const char16_t* path, SEntryEvent& event, EWriteResult result) {
    if (result == EWriteResult::WriteFailed) {
        const CProblemLines problem(*this);
        LogJa(u"ファイル [%s] に書き込めませんでした。", path);
        LogEn(u"Cannot write file [%s].", path);
    } else if (result != EWriteResult::Written) {
        const CProblemLines problem(*this);
        LogJa(u"ファイル [%s] を作成できませんでした。", path);
        LogEn(u"Cannot create file [%s].", path);
    }
    if (result != EWriteResult::Written)
        CountProblem();
    event.eStatus = result == EWriteResult::Written       ? EEntryStatus::Written
                  : result == EWriteResult::Exists        ? EEntryStatus::Exists
                  : result == EWriteResult::WriteFailed   ? EEntryStatus::CannotWrite
                  : event.nProblems & kProblemTooLong     ? EEntryStatus::TooLong
                                                          : EEntryStatus::CannotCreate;
    ReportEntry(event);
}
