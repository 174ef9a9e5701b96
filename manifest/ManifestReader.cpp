#include "manifest/ManifestReader.h"

#include <nlohmann/json.hpp>

#include <limits>

#include "base/Text.h"
#include "extract/Container.h"
#include "extract/NameSafety.h"
#include "extract/OutputNaming.h"
#include "base/Utf.h"

namespace {

using Json = nlohmann::json;

// Every access checks the type first: the parser is used without exceptions.
const Json* Field(const Json& object, const char* key) {
    if (!object.is_object())
        return nullptr;
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool GetInteger(const Json& object, const char* key, int64_t min, int64_t max, int64_t& value) {
    const Json* field = Field(object, key);
    if (!field || !field->is_number_integer())
        return false;
    if (field->is_number_unsigned() && field->get<uint64_t>() > uint64_t(max))
        return false;
    value = field->get<int64_t>();
    return value >= min && value <= max;
}

// A number that fits T (int32_t offsets and lengths, uint32_t checksums), not negative.
template <class T>
bool GetNumber(const Json& object, const char* key, T& value) {
    int64_t wide = 0;
    if (!GetInteger(object, key, 0, int64_t(std::numeric_limits<T>::max()), wide))
        return false;
    value = T(wide);
    return true;
}

// A string field; null or absent leaves text empty and gives false.
bool GetText(const Json& object, const char* key, std::u16string& text) {
    const Json* field = Field(object, key);
    if (!field || !field->is_string())
        return false;
    const std::string& bytes = field->get_ref<const std::string&>();
    bool valid = true;
    text = Utf8ToUtf16String(bytes.c_str(), &valid);
    return valid && bytes.find('\0') == std::string::npos;
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

bool GetHex(const Json& object, const char* key, std::vector<uint8_t>& bytes) {
    const Json* field = Field(object, key);
    if (!field || !field->is_string())
        return false;
    const std::string& text = field->get_ref<const std::string&>();
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(uint8_t(high * 16 + low));
    }
    return true;
}

bool ParseKind(const Json& object, EManifestKind& kind) {
    const Json* field = Field(object, "kind");
    return field && field->is_string() && ParseManifestKind(field->get_ref<const std::string&>(), kind);
}

// A path read from the manifest only ever names something below the folder:
// nothing absolute, no "..", no drive or stream. It is taken in the one form
// extraction creates paths in (no empty or "." levels: "x/./y.txt" is
// "x/y.txt"), which manifests of earlier versions did not always write.
bool ReadRelativePath(std::u16string& path) {
    if (path.empty())
        return true;
    if (path.front() == u'/' || path.find(u'\\') != std::u16string::npos || IsUnsafeName(path.c_str(), false))
        return false;
    path = NormalizedPath(path);
    return true;
}

class CManifestReader {
public:
    explicit CManifestReader(std::u16string& error) : m_error(error) {}
    bool ReadContainer(const Json& json, int32_t offset, int32_t length, SManifestContainer& container, int depth);

private:
    bool ReadEntry(const Json& json, SManifestEntry& entry, int depth);
    bool Fail(const std::u16string& what) {
        m_error = u"the manifest does not hold together: " + what;
        return false;
    }
    std::u16string& m_error;
};

bool CManifestReader::ReadEntry(const Json& json, SManifestEntry& entry, int depth) {
    if (!GetNumber(json, "offset", entry.nOffset) || !GetHex(json, "name_hex", entry.nameBytes) ||
        entry.nameBytes.size() >= kEntryHeaderSize || !ParseKind(json, entry.eKind))
        return Fail(u"an entry without offset, name_hex or kind");
    if (entry.eKind == EManifestKind::Damaged)
        return true;
    const Json* written = Field(json, "written");
    if (!GetNumber(json, "payload_length", entry.nPayloadLength) || !written || !written->is_boolean())
        return Fail(u"an entry without payload_length or written");
    entry.bWritten = written->get<bool>();
    entry.bHasPath = GetText(json, "path", entry.strPath);
    if (entry.bHasPath && !ReadRelativePath(entry.strPath))
        return Fail(u"an entry's path leaves the folder: " + entry.strPath);
    // A child container whose folder name is empty fills its parent's
    // folder: at the top, that is the folder itself (""). A file entry with
    // no path left was never written anywhere.
    if (entry.strPath.empty() && entry.eKind != EManifestKind::Child)
        entry.bHasPath = false;
    if (entry.bWritten && !entry.bHasPath)
        return Fail(u"a written entry without a path");
    if (entry.eKind != EManifestKind::Child) {
        entry.bHasWritten = GetNumber(json, "written_length", entry.nWrittenLength) &&
                            GetNumber(json, "written_crc32", entry.nWrittenCrc);
        if (entry.bWritten && !entry.bHasWritten)
            return Fail(u"a written file without written_length and written_crc32: " + entry.strPath);
        return true;
    }
    const Json* child = Field(json, "container");
    if (!child || child->is_null())
        return true;
    // The child's bytes must lie inside the file: no offset computed from
    // them may overflow.
    const int64_t start = int64_t(entry.nOffset) + kEntryHeaderSize;
    if (start + entry.nPayloadLength > INT32_MAX)
        return Fail(u"a child container that runs past the end of the file");
    entry.pContainer = std::make_unique<SManifestContainer>();
    return ReadContainer(*child, int32_t(start), entry.nPayloadLength, *entry.pContainer, depth + 1);
}

bool CManifestReader::ReadContainer(const Json& json, int32_t offset, int32_t length, SManifestContainer& container,
                                    int depth) {
    // Nesting is bounded by the extractor's path limit long before this.
    if (depth > 200)
        return Fail(u"containers nested too deep");
    const Json* entries = Field(json, "entries");
    if (!GetNumber(json, "offset", container.nOffset) || !GetNumber(json, "length", container.nLength) ||
        !GetNumber(json, "stop", container.nStop) || !entries || !entries->is_array())
        return Fail(u"a container without offset, length, stop or entries");
    if (container.nOffset != offset || container.nLength != length || container.nStop < offset ||
        container.nStop - offset > length)
        return Fail(u"a container that is not where its entry is");
    // The entries follow each other from the container's start to where the
    // walk stopped; a damaged one can only stand there.
    int64_t next = offset;
    for (const Json& item : *entries) {
        SManifestEntry entry;
        if (!ReadEntry(item, entry, depth))
            return false;
        if (entry.nOffset != next)
            return Fail(u"an entry that does not follow the one before it");
        if (entry.eKind == EManifestKind::Damaged) {
            if (entry.nOffset != container.nStop)
                return Fail(u"a damaged entry before the container's stop");
        } else {
            next += kEntryHeaderSize + int64_t(entry.nPayloadLength);
            if (next > container.nStop)
                return Fail(u"an entry that runs past its container's stop");
        }
        container.entries.push_back(std::move(entry));
    }
    if (next != container.nStop)
        return Fail(u"entries that end before their container's stop");
    return true;
}

}  // namespace

std::u16string NormalizedPath(std::u16string path) {
    path.push_back(0);
    NormalizeSlashPath(&path[0]);
    path.resize(StrLen16(path.c_str()));
    return path;
}

bool ReadManifest(const std::string& text, SManifest& manifest, std::u16string& error) {
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        error = u"not a manifest: the file is not JSON";
        return false;
    }
    const Json* kind = Field(json, "kind");
    if (!kind || *kind != kManifestKind) {
        error = u"not a manifest: \"kind\" is not \"vanto-manifest\"";
        return false;
    }
    int64_t version = 0;
    if (!GetInteger(json, "v", 0, INT32_MAX, version) || version != kManifestVersion) {
        error = u"a manifest of another version than 1: this vanto-pack reads version 1";
        return false;
    }
    const Json* source = Field(json, "source");
    int64_t codePage = 0;
    const Json* root = Field(json, "root");
    if (!source || !GetText(*source, "name", manifest.strSourceName) ||
        !GetInteger(*source, "size", kEntryHeaderSize + 1, INT32_MAX, manifest.nSourceSize) ||
        !GetNumber(*source, "crc32", manifest.nSourceCrc) || !GetInteger(json, "codepage", 1, 65535, codePage) ||
        !root) {
        error = u"the manifest does not hold together: no source name, size, crc32, codepage or root";
        return false;
    }
    GetText(*source, "path", manifest.strSourcePath);
    manifest.nCodePage = unsigned(codePage);
    CManifestReader reader(error);
    return reader.ReadContainer(*root, 0, int32_t(manifest.nSourceSize), manifest.root, 0);
}
