#include "manifest/ManifestWriter.h"

#include <utility>

#include "Version.h"
#include "extract/EntryWords.h"
#include "extract/Container.h"
#include "extract/LogFormat.h"
#include "base/Utf.h"
#include "platform/Platform.h"

namespace {

using Json = nlohmann::ordered_json;

EManifestKind ManifestKindOf(EEntryKind kind) {
    switch (kind) {
    case EEntryKind::Child: return EManifestKind::Child;
    case EEntryKind::Gzip: return EManifestKind::Gzip;
    case EEntryKind::GzipFailed: return EManifestKind::GzipFailed;
    case EEntryKind::Stored: break;
    }
    return EManifestKind::Stored;
}

Json Container(int32_t offset, int32_t length) {
    Json container;
    container["offset"] = offset;
    container["length"] = length;
    container["entries"] = Json::array();
    return container;
}

}  // namespace

void CManifestBuilder::Begin(const std::u16string& path, const std::u16string& absolutePath, unsigned codePage) {
    m_source = Json();
    m_source["name"] = Utf16ToUtf8String(path.c_str());
    m_source["path"] = absolutePath.empty() ? Json(nullptr) : Json(Utf16ToUtf8String(absolutePath.c_str()));
    m_nCodePage = codePage;
    m_open.clear();
    m_root = Json();
    m_bComplete = false;
}

void CManifestBuilder::AddEntry(const SEntryEvent& entry) {
    if (m_open.empty()) {
        // The file's own container; its length comes with its end.
        m_open.push_back({Container(0, 0), 0, INT32_MAX});
    } else {
        // The first entry inside the child container that the last entry
        // opened: that container is walked now.
        const Json& entries = m_open.back().container["entries"];
        if (!entries.empty()) {
            const Json& last = entries.back();
            const int32_t start = int32_t(last["offset"]) + kEntryHeaderSize;
            if (last["kind"] == ManifestKindWord(EManifestKind::Child) && entry.nOffset >= start && entry.nOffset < start + int32_t(last["payload_length"]))
                m_open.push_back({Container(start, last["payload_length"]), start, start + int32_t(last["payload_length"])});
        }
    }

    Json record;
    record["offset"] = entry.nOffset;
    record["name_hex"] = HexBytes(entry.pRawName, size_t(entry.nRawNameLength));
    record["size_hex"] = HexBytes(entry.pRawName + kSizeFieldOffset, kSizeFieldSize);
    if (entry.eStatus == EEntryStatus::Damaged) {
        record["kind"] = ManifestKindWord(EManifestKind::Damaged);
    } else {
        record["kind"] = ManifestKindWord(ManifestKindOf(entry.eKind));
        record["payload_length"] = entry.nStoredSize;
        record["payload_crc32"] = ManifestCrc32(entry.pPayload, size_t(entry.nStoredSize));
    }
    const bool placed = entry.eStatus != EEntryStatus::Damaged && entry.eStatus != EEntryStatus::Unsafe;
    record["path"] = placed ? Json(Utf16ToUtf8String(entry.pszPath)) : Json(nullptr);
    record["written"] = entry.eStatus == EEntryStatus::Written;
    if (entry.eStatus != EEntryStatus::Written)
        record["reason"] = StatusWord(entry.eStatus);
    if (entry.eStatus == EEntryStatus::Written && entry.eKind != EEntryKind::Child && entry.pContent) {
        record["written_length"] = entry.nContentSize;
        record["written_crc32"] = ManifestCrc32(entry.pContent, size_t(entry.nContentSize));
    }
    m_open.back().container["entries"].push_back(std::move(record));
}

void CManifestBuilder::EndContainer(const SContainerEnd& end) {
    if (m_open.empty() || m_open.back().nOffset != end.nOffset)
        return;  // a child whose walk reported no entry: none can be
    Json container = std::move(m_open.back().container);
    m_open.pop_back();
    container["length"] = end.nLength;
    container["stop"] = end.nStopOffset;
    container["unexamined"] = end.nOffset + end.nLength - end.nStopOffset;
    if (m_open.empty()) {
        m_source["size"] = end.nLength;
        m_source["crc32"] = ManifestCrc32(end.pData, size_t(end.nLength));
        m_root = std::move(container);
        m_bComplete = true;
    } else {
        m_open.back().container["entries"].back()["container"] = std::move(container);
    }
}

std::string CManifestBuilder::Finish(const char16_t* folder) {
    if (!m_bComplete)
        return std::string();
    Json manifest;
    manifest["v"] = kManifestVersion;
    manifest["kind"] = kManifestKind;
    manifest["tool"] = "vanto-extract " VANTO_VERSION_STRING;
    manifest["source"] = m_source;
    manifest["codepage"] = m_nCodePage;
    manifest["folder"] = Utf16ToUtf8String(folder);
    manifest["root"] = std::move(m_root);
    m_bComplete = false;
    return manifest.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool WriteManifestBeside(IPlatform& platform, const char16_t* root, const char16_t* folder, const std::string& text,
                         char16_t* name) {
    if (FormatTextV(name, kPathCapacity, u"%s.vanto.json", folder) != EFormatResult::Ok || text.empty() ||
        !platform.OpenOutputRoot(root))
        return false;
    const bool written = platform.WriteNewFile(name, reinterpret_cast<const uint8_t*>(text.data()), text.size()) ==
                         EWriteResult::Written;
    platform.CloseOutputRoot();
    return written;
}
