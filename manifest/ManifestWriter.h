// The manifest of one extracted file: everything vanto-pack needs to build
// it again, byte for byte where nothing changed (docs/manifest.md).
//
// Fed by a front end (CCliExtractor for --manifest, CMainDlg when it keeps
// rebuild data) with the engine's entry and container events of one file, in
// walk order; WriteManifestBeside writes the text beside the output folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "extract/ExtractCallback.h"
#include "manifest/ManifestFormat.h"

class IPlatform;

class CManifestBuilder {
public:
    // A new file: its path as given and as an absolute path (empty when it
    // cannot be had), and the code page of its entry names.
    void Begin(const std::u16string& path, const std::u16string& absolutePath, unsigned codePage);
    void AddEntry(const SEntryEvent& entry);
    void EndContainer(const SContainerEnd& end);
    // The manifest's text for the output folder `folder`; empty when the
    // walk did not reach the end of the file's own container.
    std::string Finish(const char16_t* folder);

private:
    struct SOpen {
        nlohmann::ordered_json container;
        int32_t nOffset = 0;  // its bytes in the file
        int32_t nEnd = 0;
    };

    nlohmann::ordered_json m_source;
    unsigned m_nCodePage = 0;
    std::vector<SOpen> m_open;  // the file's container, then each child being walked
    nlohmann::ordered_json m_root;
    bool m_bComplete = false;
};

// Writes the manifest's text beside the output folder `folder` (relative to
// `root`) as FOLDER.vanto.json, never replacing a file; `name` (kPathCapacity
// characters) gets that name. False when nothing was written: an empty text,
// a name that does not fit, a root that does not open, a name taken.
bool WriteManifestBeside(IPlatform& platform, const char16_t* root, const char16_t* folder, const std::string& text,
                         char16_t* name);
