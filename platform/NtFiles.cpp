#include "platform/NtFiles.h"

namespace ntfiles {

NTSTATUS OpenRelative(HANDLE parent, const WCHAR* name, size_t length, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, HANDLE* handle, EReparse reparse) {
    *handle = nullptr;
    if (length == 0 || length > 32767)
        return kNameInvalid;
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name);
    text.Length = text.MaximumLength = USHORT(length * sizeof(WCHAR));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK status;
    if (reparse == EReparse::OpenPoint)
        options |= FILE_OPEN_REPARSE_POINT;
    return NtCreateFile(handle, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                        disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

// From the basic information, which every file system answers (FAT refuses
// the attribute-and-tag query).
bool ReadAttributes(HANDLE h, DWORD& attributes) {
    FILE_BASIC_INFO basic = {};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return false;
    attributes = basic.FileAttributes;
    return true;
}

// Other reparse points stay usable: the folders of cloud storage such as
// OneDrive are reparse points too. Where the tag cannot be read (FAT answers
// no such query, and has no reparse points), any reparse point counts as a
// link, and so do unreadable attributes.
bool IsLink(HANDLE h) {
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag))
        return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag.ReparseTag);
    DWORD attributes = 0;
    return !ReadAttributes(h, attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDirectory(HANDLE h) {
    DWORD attributes = 0;
    return ReadAttributes(h, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool EndsInDotOrBlank(const SPathComponent& name) {
    const char16_t last = name.begin[name.length - 1];
    return last == u'.' || last == u' ';
}

}  // namespace ntfiles
